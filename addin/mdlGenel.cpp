#include "addin/mdlGenel.h"

namespace mdlGenel {

QString UserName;
QString Password;
QString ClientCode;
QString SaveLoginFlag;
QString GatewayType;
QString GatewayUrl;
QString AdvertUrl;

QString MessageText;
QString SendMode;
std::shared_ptr<ado::Recordset> OverlongRows;
bool ListLoaded = false;

bool CancelRequested = false;
qint32 ProgressDone = 0;
qint32 ProgressTotal = 0;
qint32 ProgressMark = 0;

QString LastErrorText;
QString ReportStatusFilter;
QString StartFlag;
bool MdacFound = false;
QString MdacVersion;
std::shared_ptr<ado::Connection> DbConnection;
std::shared_ptr<ado::Connection> ExcelConnection;
std::shared_ptr<ado::Recordset> ExcelSchema;

void ResetState() {
    UserName.clear();
    Password.clear();
    ClientCode.clear();
    SaveLoginFlag.clear();
    GatewayType.clear();
    GatewayUrl.clear();
    AdvertUrl.clear();
    MessageText.clear();
    SendMode.clear();
    OverlongRows.reset();
    ListLoaded = false;
    CancelRequested = false;
    ProgressDone = ProgressTotal = ProgressMark = 0;
    LastErrorText.clear();
    ReportStatusFilter.clear();
    StartFlag.clear();
    MdacFound = false;
    MdacVersion.clear();
    DbConnection.reset();
    ExcelConnection.reset();
    ExcelSchema.reset();
    ExcelApp.reset();
}

} // namespace mdlGenel

std::shared_ptr<excel::Application> ExcelApp;
