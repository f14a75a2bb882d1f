// The five database objects of the window's definition and the progress bar's
// state, owned in one place: the window, the command-line program, the test
// fixtures and the benchmarks all make their objects through it, so the order
// of making and of destroying them is written once.
#pragma once

#include "transfer/progress.h"
#include "transfer/timetext.h"
#include "transfer/transfer.h"

#include <memory>

namespace didu {

class ClientDataSet;
class DataSetProvider;
class SQLConnection;
class SQLDataSet;
class SQLQuery;
class TransferView;

class TransferSession {
public:
    /// Makes SQLConnection1, SQLQuery1, SQLDataSet1, DataSetProvider1 and
    /// ClientDataSet1 with their stored settings, in that order. Nothing
    /// touches the database yet; the connection locates its files here.
    TransferSession();
    /// Destroys the objects in the reverse order, so the statements let go
    /// before the connection.
    ~TransferSession();

    SQLConnection& SQLConnection1() const { return *m_sqlConnection1; }
    SQLQuery& SQLQuery1() const { return *m_sqlQuery1; }
    SQLDataSet& SQLDataSet1() const { return *m_sqlDataSet1; }
    DataSetProvider& DataSetProvider1() const { return *m_dataSetProvider1; }
    ClientDataSet& ClientDataSet1() const { return *m_clientDataSet1; }

    /// The bar's state, kept from one run to the next.
    Progress& progress() { return m_progress; }
    const Progress& progress() const { return m_progress; }

    /// One whole run of the job, shown on `view`. An empty clock reads the
    /// machine's local time; a dry run looks up without inserting. Catches
    /// nothing: an error ends the run where it stands, with the rows inserted
    /// and the progress made so far kept.
    void run(TransferView& view, Clock clock = {}, TransferMode mode = TransferMode::Write);

private:
    // Each object is declared after the one it holds, so that it lets go of it
    // before that one goes.
    std::unique_ptr<SQLConnection> m_sqlConnection1;
    std::unique_ptr<SQLQuery> m_sqlQuery1;
    std::unique_ptr<SQLDataSet> m_sqlDataSet1;
    std::unique_ptr<DataSetProvider> m_dataSetProvider1;
    std::unique_ptr<ClientDataSet> m_clientDataSet1;
    Progress m_progress;
};

} // namespace didu
