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

// Every variable of the module, with the value it has when the add-in is
// loaded.
struct ModuleState {
    // Account and gateway.
    QString UserName;
    QString Password;
    QString ClientCode;
    QString SaveLoginFlag;
    QString GatewayType;   // "Quillmere" or "Palvori"
    QString GatewayUrl;
    QString AdvertUrl;

    // Sending.
    QString MessageText;   // the template, set by the template page
    QString SendMode;      // the msg_tip text of the send log
    std::shared_ptr<ado::Recordset> OverlongRows;
    bool ListLoaded = false;

    // Long operations. ProgressMark is reset with the others and read by
    // nobody.
    bool CancelRequested = false;
    qint32 ProgressDone = 0;
    qint32 ProgressTotal = 0;
    qint32 ProgressMark = 0;

    // Other.
    QString LastErrorText;
    QString ReportStatusFilter;
    QString StartFlag;
    bool MdacFound = false;
    QString MdacVersion;
    std::shared_ptr<ado::Connection> DbConnection;
    std::shared_ptr<ado::Connection> ExcelConnection;
    std::shared_ptr<ado::Recordset> ExcelSchema;

    // The host's Application, kept by the connection event.
    std::shared_ptr<excel::Application> ExcelApp;
};

// The module's one state, and its variables by their names.
extern ModuleState State;

inline QString& UserName = State.UserName;
inline QString& Password = State.Password;
inline QString& ClientCode = State.ClientCode;
inline QString& SaveLoginFlag = State.SaveLoginFlag;
inline QString& GatewayType = State.GatewayType;
inline QString& GatewayUrl = State.GatewayUrl;
inline QString& AdvertUrl = State.AdvertUrl;

inline QString& MessageText = State.MessageText;
inline QString& SendMode = State.SendMode;
inline std::shared_ptr<ado::Recordset>& OverlongRows = State.OverlongRows;
inline bool& ListLoaded = State.ListLoaded;

inline bool& CancelRequested = State.CancelRequested;
inline qint32& ProgressDone = State.ProgressDone;
inline qint32& ProgressTotal = State.ProgressTotal;
inline qint32& ProgressMark = State.ProgressMark;

inline QString& LastErrorText = State.LastErrorText;
inline QString& ReportStatusFilter = State.ReportStatusFilter;
inline QString& StartFlag = State.StartFlag;
inline bool& MdacFound = State.MdacFound;
inline QString& MdacVersion = State.MdacVersion;
inline std::shared_ptr<ado::Connection>& DbConnection = State.DbConnection;
inline std::shared_ptr<ado::Connection>& ExcelConnection = State.ExcelConnection;
inline std::shared_ptr<ado::Recordset>& ExcelSchema = State.ExcelSchema;

// Back to the state of a freshly loaded add-in (tests).
void ResetState();

} // namespace mdlGenel

// The host's Application, kept by the connection event.
inline std::shared_ptr<excel::Application>& ExcelApp = mdlGenel::State.ExcelApp;
