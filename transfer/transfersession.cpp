#include "transfer/transfersession.h"

#include "db/connection/sqlconnection.h"
#include "db/statements/clientdataset.h"
#include "db/statements/datasetprovider.h"
#include "db/statements/sqldataset.h"
#include "db/statements/sqlstatement.h"
#include "transfer/transfer.h"

namespace didu {

TransferSession::TransferSession()
    : m_sqlConnection1(std::make_unique<SQLConnection>("SQLConnection1")),
      m_sqlQuery1(std::make_unique<SQLQuery>(m_sqlConnection1.get(), "SQLQuery1")),
      m_sqlDataSet1(std::make_unique<SQLDataSet>(m_sqlConnection1.get(), "SQLDataSet1")),
      m_dataSetProvider1(std::make_unique<DataSetProvider>(m_sqlDataSet1.get(), "DataSetProvider1")),
      m_clientDataSet1(std::make_unique<ClientDataSet>(m_dataSetProvider1.get(), "ClientDataSet1"))
{
}

// Here, where the five types are complete.
TransferSession::~TransferSession() = default;

void TransferSession::run(TransferView& view, Clock clock, TransferMode mode)
{
    Transfer(*m_clientDataSet1, *m_sqlQuery1, m_progress, view, std::move(clock), mode).run();
}

} // namespace didu
