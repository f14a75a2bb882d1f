// One run of the job: every customer without a member row gets one. The run
// drives the session's objects (ClientDataSet1, SQLQuery1) and its progress, and
// reaches the window only through TransferView, so it runs headless in tests
// and benchmarks.
#pragma once

#include "transfer/timetext.h"

#include <array>
#include <string>

namespace didu {

class ClientDataSet;
class Progress;
class SQLQuery;
class TransferView;

/// The lines of the member insert, each added to SQLQuery1 on its own.
inline constexpr std::array<const char*, 7> kMemberInsertLines = {
    "INSERT INTO MEMBER(MEMBER_ID,MEMBER_NAME,MEMBER_PHONE,",
    "MEMBER_ADD,TOTAL_AMT,CARD_ID,DISABLE_FLAG,MAIL_NUM,",
    "TAX_CODE,MAN_SALE,CHG_TIME,INVOICE_CLASS,UPPER_AMT,",
    "SHET_YN,SALES_ID) VALUES (:MEMBER_ID,:MEMBER_NAME,:MEMBER_PHONE,",
    ":MEMBER_ADD,:TOTAL_AMT,:CARD_ID,:DISABLE_FLAG,:MAIL_NUM,",
    ":TAX_CODE,:MAN_SALE,:CHG_TIME,:INVOICE_CLASS,:UPPER_AMT,",
    ":SHET_YN,:SALES_ID) ",
};

/// Whether a run writes the member rows or only looks them up.
enum class TransferMode {
    Write, ///< what OK does
    DryRun, ///< the same reads and lookups, no insert and no completion message
};

/// The message shown when a run has passed every customer.
inline const std::string kTransferCompleteMessage = "資料轉移完成.";

class Transfer {
public:
    /// The objects and the progress belong to the caller (the session) and must
    /// outlive the run. An empty clock reads the machine's local time.
    Transfer(ClientDataSet& customers, SQLQuery& query, Progress& progress, TransferView& view, Clock clock = {},
             TransferMode mode = TransferMode::Write);

    /// One whole pass over CUSTOMER. Catches nothing: an error ends the run where
    /// it stands, with the rows inserted so far kept.
    void run();

private:
    bool memberExists(const std::string& customerId);
    /// Inserts the current customer's member row; gives the member name written.
    std::string insertMember();

    ClientDataSet& m_customers;
    SQLQuery& m_query;
    Progress& m_progress;
    TransferView& m_view;
    Clock m_clock;
    TransferMode m_mode;
};

} // namespace didu
