// ClientDataSet1: the buffered result set. Opening it asks its provider for every
// row at once; the rows are then held in a store object of the store plugin,
// in the default order the provider worked out, and walked one by one.
#pragma once

#include "db/statements/datasetprovider.h"
#include "db/statements/sqlstatement.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace didu {

class DataSetProvider;
class HeldRows; // the store-side rows and cursor; defined with the implementation

class ClientDataSet {
public:
    /// `provider` is the component named by ProviderName ("DataSetProvider1");
    /// null stands for a window without such a provider.
    explicit ClientDataSet(DataSetProvider* provider, std::string name = "ClientDataSet1");
    ~ClientDataSet();
    ClientDataSet(const ClientDataSet&) = delete;
    ClientDataSet& operator=(const ClientDataSet&) = delete;

    const std::string& name() const { return m_name; }

    /// Sets the text sent to the provider on the next open (set while closed).
    void setCommandText(std::string text);
    const std::string& commandText() const { return m_commandText; }

    /// Fetches every row through the provider and stands on the first.
    void open();
    /// Drops the held rows and tells the provider to reset.
    void close();
    bool isOpen() const;

    std::int32_t rowCount() const;
    bool eof() const;
    void next();
    /// The named column of the current row as text; NULL gives the empty text.
    std::string valueAsText(std::string_view columnName) const;

    /// The set's own parameters, one per marker of the command text; sent to the
    /// provider with every open.
    std::vector<SQLParam>& params() { return m_params; }

private:
    std::string m_name;
    DataSetProvider* m_provider;
    std::string m_commandText;
    std::unique_ptr<HeldRows> m_rows;
    std::vector<SQLParam> m_params;
};

} // namespace didu
