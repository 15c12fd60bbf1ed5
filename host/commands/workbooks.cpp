// Workbooks and cells: open, new, save-as, sheet, set-cell, cell, select.
#include "host/commands/commands.h"

#include "host/formsprobe.h"
#include "host/host.h"
#include "host/saving.h"
#include "platform/excel/application.h"
#include "platform/excel/files/workbookfile.h"

#include <QJsonArray>

namespace host {

namespace {

QJsonValue json(const vb::Variant& v) {
    if (v.isNumber())
        return v.doubleValue();
    if (v.isString())
        return v.stringValue();
    if (v.isBoolean())
        return v.boolValue();
    if (v.isDate())
        return v.dateValue().toString(Qt::ISODate);
    if (v.isError())
        return excel::CellText(v);
    return QJsonValue::Null;
}

vb::Variant variant(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::Null: return {};
    case QJsonValue::Double: return vb::Variant(v.toDouble());
    case QJsonValue::String: return vb::Variant(v.toString());
    case QJsonValue::Bool: return vb::Variant(v.toBool());
    default: throw CommandError(QStringLiteral("a cell takes a text, a number or null"));
    }
}

} // namespace

void AddWorkbookCommands(CommandTable& table, Host& host) {
    auto app = [&host]() -> excel::Application& { return *host.application(); };
    auto activeBook = [app] {
        auto book = app().ActiveWorkbook();
        if (!book)
            throw CommandError(QStringLiteral("no workbook is open"));
        return book;
    };
    auto sheetOf = [app, activeBook](const QJsonObject& c) {
        if (c.contains(QLatin1String("sheet")))
            return activeBook()->Sheets().Item(TextField(c, "sheet"));
        auto sheet = app().ActiveSheet();
        if (!sheet)
            throw CommandError(QStringLiteral("no workbook is open"));
        return sheet;
    };
    auto book = [](const std::shared_ptr<excel::Workbook>& b) {
        return QJsonObject{{QStringLiteral("workbook"), b->Name()}};
    };

    table.add("open", [app, book](const QJsonObject& c) {
        auto b = app().Workbooks().Open(TextField(c, "path"));
        b->Activate();
        return book(b);
    });
    table.add("new", [app, book](const QJsonObject&) { return book(app().Workbooks().Add()); });
    // A format that would lose part of the workbook asks first, through the
    // scripted message boxes; "saved" says whether the file was written.
    table.add("save-as", [activeBook, book](const QJsonObject& c) {
        auto b = activeBook();
        const QString path = TextField(c, "path");
        const bool save = ConfirmLosses(*b, path, excel::FormatForFileName(path));
        if (save)
            b->SaveAs(path);
        QJsonObject reply = book(b);
        reply.insert(QStringLiteral("saved"), save);
        return reply;
    });
    table.add("sheet", [activeBook](const QJsonObject& c) {
        auto sheet = activeBook()->Sheets().Item(TextField(c, "name"));
        sheet->Activate();
        return QJsonObject{{QStringLiteral("sheet"), sheet->Name()}};
    });
    table.add("set-cell", [sheetOf](const QJsonObject& c) {
        const vb::Variant value = variant(Field(c, "value"));
        sheetOf(c)->Range(TextField(c, "address")).setValue(value);
        return QJsonObject{};
    });
    table.add("cell", [sheetOf](const QJsonObject& c) {
        const excel::Range cell = sheetOf(c)->Range(TextField(c, "address"));
        const long color = cell.Font().Color();
        const auto sheet = cell.Worksheet();
        const std::optional<excel::CellData> data = sheet->cell(cell.Row(), cell.Column());
        QJsonObject out{
            {QStringLiteral("value"), json(cell.Value())},
            {QStringLiteral("text"), cell.Text()},
            {QStringLiteral("bold"), cell.Font().Bold()},
            {QStringLiteral("color"), QJsonArray{int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF)}},
        };
        // An error value comes as its text with "error"; a formula as the
        // host shows it.
        if (data && data->value.isError())
            out.insert(QStringLiteral("error"), true);
        if (data && data->hasFormula() && data->formula != excel::CellData::kUnreadFormula)
            out.insert(QStringLiteral("formula"), data->formula);
        return out;
    });
    table.add("select", [sheetOf](const QJsonObject& c) {
        auto sheet = sheetOf(c);
        sheet->Activate();
        const excel::Range range = sheet->Range(TextField(c, "range"));
        range.Select();
        return QJsonObject{{QStringLiteral("address"), range.Address()}};
    });
}

} // namespace host
