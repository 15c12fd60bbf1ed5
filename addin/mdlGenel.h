#pragma once

#include <QString>
#include <memory>

namespace ado {
class Connection;
class Recordset;
} // namespace ado
namespace excel {
class Application;
} // namespace excel

// The add-in's shared module state: plain variables living as long as the
// add-in is loaded, read and written on the user-interface thread only. Each
// deliverable has its own copy (the add-ins are built with hidden symbols).
namespace mdlGenel {

// Account and gateway.
extern QString UserName;
extern QString Password;
extern QString ClientCode;
extern QString SaveLoginFlag;
extern QString GatewayType;   // "Quillmere" or "Palvori"
extern QString GatewayUrl;
extern QString AdvertUrl;

// Sending.
extern QString MessageText;   // the template, set by the template page
extern QString SendMode;      // the msg_tip text of the send log
extern std::shared_ptr<ado::Recordset> OverlongRows;
extern bool ListLoaded;

// Long operations.
extern bool CancelRequested;
extern qint32 ProgressDone;
extern qint32 ProgressTotal;
extern qint32 ProgressMark;

// Other.
extern QString LastErrorText;
extern QString ReportStatusFilter;
extern QString StartFlag;
extern bool MdacFound;
extern QString MdacVersion;
extern std::shared_ptr<ado::Connection> DbConnection;
extern std::shared_ptr<ado::Connection> ExcelConnection;
extern std::shared_ptr<ado::Recordset> ExcelSchema;

// Back to the state of a freshly loaded add-in (tests).
void ResetState();

} // namespace mdlGenel

// The host's Application, kept by the connection event.
extern std::shared_ptr<excel::Application> ExcelApp;
