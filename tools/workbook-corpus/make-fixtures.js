// The workbook fixtures of the tests, as independent programs write them.
//
//   node make-fixtures.js sheetjs DIR      writes the SheetJS fixtures into DIR
//   node make-fixtures.js fods FILE [1904] writes the source LibreOffice
//                                          converts into its fixtures (a flat
//                                          OpenDocument spreadsheet; 1904: in
//                                          the 1904 date system)
//   node make-fixtures.js time FILE [N]    reads FILE with SheetJS N times
//                                          (default 5) and prints the fastest
//                                          read in milliseconds
//   node make-fixtures.js time-write FILE [N]
//                                          writes the 60,000 rows the host's
//                                          .xls save benchmark saves as the
//                                          .xls FILE N times (default 3) and
//                                          prints the fastest write in
//                                          milliseconds
"use strict";
const XLSX = require("xlsx");
const fs = require("fs");
const path = require("path");

// 9,000 characters of Turkish text, longer than one record of the binary
// format holds.
function longText() {
  const unit = "Sayın müşterimiz, çağrınız için teşekkür ederiz; İstanbul şubemiz ığdır. ";
  let text = "";
  while (text.length < 9000) text += unit;
  return text.slice(0, 9000);
}

// The customers' sheet: texts, a number kept as text, numbers, dates under
// a Turkish date format, booleans, an error value, formulas with number,
// text and boolean results, and a merged range.
function customers(date1904) {
  const serial = (y, m, d) => {
    const days = (Date.UTC(y, m - 1, d) - Date.UTC(1899, 11, 30)) / 86400000;
    return date1904 ? days - 1462 : days;
  };
  const ws = {};
  const put = (ref, cell) => { ws[ref] = cell; };
  const header = ["Ad Soyad", "GsmNo", "Tutar", "Tarih", "Aktif", "Durum"];
  header.forEach((h, i) => put(XLSX.utils.encode_cell({ r: 0, c: i }), { t: "s", v: h }));
  put("A2", { t: "s", v: "Çağrı Işık" });
  put("B2", { t: "s", v: "05321234567" });
  put("C2", { t: "n", v: 1234.56 });
  put("D2", { t: "n", v: serial(2024, 2, 29), z: "dd.mm.yyyy" });
  put("E2", { t: "b", v: true });
  put("F2", { t: "s", v: "İletildi" });
  put("A3", { t: "s", v: "Şükrü Öğütçü" });
  put("B3", { t: "n", v: 5441234567 });
  put("C3", { t: "n", v: -0.5 });
  put("D3", { t: "n", v: serial(2023, 12, 31) + 0.75, z: "dd.mm.yyyy hh:mm" });
  put("E3", { t: "b", v: false });
  put("F3", { t: "e", v: 0x2A });
  put("A4", { t: "s", v: "Toplam" });
  put("C4", { t: "n", v: 1234.06, f: "SUM(C2:C3)" });
  put("D4", { t: "s", v: "Çağrı Işık!", f: "A2&\"!\"" });
  put("E4", { t: "b", v: true, f: "C2>1000" });
  put("A6", { t: "s", v: "Birleşik başlık" });
  ws["!ref"] = "A1:F6";
  ws["!merges"] = [XLSX.utils.decode_range("A6:C6")];
  ws["!cols"] = [{ wch: 20 }, { wch: 14 }];
  return ws;
}

function workbook(date1904) {
  const wb = XLSX.utils.book_new();
  XLSX.utils.book_append_sheet(wb, customers(date1904), "Müşteriler");
  XLSX.utils.book_append_sheet(wb, XLSX.utils.aoa_to_sheet([["Mesaj"], [longText()]]), "Uzun Metin");
  if (date1904) wb.Workbook = { WBProps: { date1904: true } };
  return wb;
}

function write(dir) {
  fs.mkdirSync(dir, { recursive: true });
  const out = (name, wb, bookType) => XLSX.writeFile(wb, path.join(dir, name), { bookType, compression: true });
  out("sheetjs-ornek.xls", workbook(false), "biff8");
  out("sheetjs-ornek.xlsx", workbook(false), "xlsx");
  out("sheetjs-1904.xls", workbook(true), "biff8");
  out("sheetjs-1904.xlsx", workbook(true), "xlsx");
  // A small workbook: its Workbook stream lies in the compound file's
  // mini stream.
  const small = XLSX.utils.book_new();
  XLSX.utils.book_append_sheet(small, XLSX.utils.aoa_to_sheet([["GsmNo", "Ad"], ["5321234567", "Ayşe"], [5051112233, "Ömer"]]), "Liste");
  out("sheetjs-kucuk.xls", small, "biff8");
  // Excel 95's format.
  const old = XLSX.utils.book_new();
  XLSX.utils.book_append_sheet(old, XLSX.utils.aoa_to_sheet([["Ad", "Tutar"], ["Deniz", 12.5], ["Can", -3]]), "Eski");
  out("sheetjs-excel95.xls", old, "biff5");
}

function time(file, runs) {
  let best = Infinity;
  for (let i = 0; i < runs; ++i) {
    const start = process.hrtime.bigint();
    XLSX.readFile(file);
    const ms = Number(process.hrtime.bigint() - start) / 1e6;
    best = Math.min(best, ms);
  }
  console.log(best.toFixed(0));
}

// The rows of bench/host/files_bench.cpp's save, a report as the report
// window exports it (tests/platform/excel/files_test_rows.h): a number as
// text, a status, a message id, a date and a message.
function timeWrite(file, runs) {
  const states = ["Bekliyor", "İletildi", "Zaman aşımı", "Reddedildi"];
  const rows = [["GsmNo", "Durum", "MSGID", "Tarih", "Mesaj"]];
  for (let r = 0; r < 60000; ++r)
    rows.push(["53" + String(r).padStart(8, "0"), states[r % 4], 1000000 + r,
               new Date(2024, 0, 1 + (r % 366), 9, r % 60),
               "Sayın müşterimiz, " + (r % 1000) + " numaralı siparişiniz yola çıktı."]);
  const book = XLSX.utils.book_new();
  XLSX.utils.book_append_sheet(book, XLSX.utils.aoa_to_sheet(rows, { cellDates: true }), "Sayfa1");
  let best = Infinity;
  for (let i = 0; i < runs; ++i) {
    const start = process.hrtime.bigint();
    XLSX.writeFile(book, file, { bookType: "biff8" });
    best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e6);
  }
  console.log(best.toFixed(0));
}

// The same workbook as a flat OpenDocument spreadsheet in Turkish, with a
// data table of every kind of cell, a bold red header, formulas with number,
// text, boolean and error results, a merged range and a long text.
function fods(file, date1904) {
  const esc = (s) => s.replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
  const str = (s, style) => `<table:table-cell${style ? ` table:style-name="${style}"` : ""} office:value-type="string"><text:p>${esc(s)}</text:p></table:table-cell>`;
  const num = (v, style) => `<table:table-cell${style ? ` table:style-name="${style}"` : ""} office:value-type="float" office:value="${v}"><text:p>${v}</text:p></table:table-cell>`;
  const date = (v, style) => `<table:table-cell table:style-name="${style}" office:value-type="date" office:date-value="${v}"><text:p>${v}</text:p></table:table-cell>`;
  const bool = (v) => `<table:table-cell table:style-name="ceMantik" office:value-type="boolean" office:boolean-value="${v}"><text:p>${v ? "DOĞRU" : "YANLIŞ"}</text:p></table:table-cell>`;
  const formula = (f, type, value) => {
    const attr = type === "string" ? `office:string-value="${esc(value)}"` : type === "boolean" ? `office:boolean-value="${value}"` : `office:value="${value}"`;
    return `<table:table-cell table:formula="${esc(f)}" office:value-type="${type}" ${attr}><text:p>${esc(String(value))}</text:p></table:table-cell>`;
  };
  const empty = "<table:table-cell/>";
  const row = (cells) => `<table:table-row>${cells.join("")}</table:table-row>`;
  const header = ["Ad Soyad", "GsmNo", "Tutar", "Tarih", "Aktif", "Durum"].map((h) => str(h, "ceBaslik"));
  const sheet1 = [
    row(header),
    row([str("Çağrı Işık"), str("05321234567"), num(1234.56, "ceSayi"), date("2024-02-29", "ceTarih"), bool(true), str("İletildi")]),
    row([str("Şükrü Öğütçü"), num(5441234567), num(-0.5, "ceSayi"), date("2023-12-31T18:00:00", "ceZaman"), bool(false), str("Reddedildi")]),
    row([str("Toplam"), empty, formula("of:=SUM([.C2:.C3])", "float", 1234.06).replace("<table:table-cell ", '<table:table-cell table:style-name="ceSayi" '), formula("of:=[.A2]&\"!\"", "string", "Çağrı Işık!"),
         formula("of:=[.C2]>1000", "boolean", true), `<table:table-cell table:formula="of:=1/0" office:value-type="float" office:value="0"><text:p>#DIV/0!</text:p></table:table-cell>`]),
    row([empty]),
    row([`<table:table-cell table:number-columns-spanned="3" table:number-rows-spanned="1" office:value-type="string"><text:p>Birleşik başlık</text:p></table:table-cell><table:covered-table-cell table:number-columns-repeated="2"/>`]),
  ].join("");
  const sheet2 = [row([str("Mesaj")]), row([str(longText())])].join("");
  const nullDate = date1904 ? `<table:calculation-settings><table:null-date table:date-value="1904-01-01"/></table:calculation-settings>` : "";
  const xml = `<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:styles><style:default-style style:family="table-cell"><style:text-properties fo:language="tr" fo:country="TR"/></style:default-style></office:styles>
<office:automatic-styles>
<style:style style:name="coGenis" style:family="table-column"><style:table-column-properties style:column-width="4cm"/></style:style>
<number:date-style style:name="NTarih" number:language="tr" number:country="TR"><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year number:style="long"/></number:date-style>
<number:date-style style:name="NZaman" number:language="tr" number:country="TR"><number:day number:style="long"/><number:text>.</number:text><number:month number:style="long"/><number:text>.</number:text><number:year number:style="long"/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/></number:date-style>
<number:number-style style:name="NSayi" number:language="tr" number:country="TR"><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/></number:number-style>
<number:boolean-style style:name="NMantik" number:language="tr" number:country="TR"><number:boolean/></number:boolean-style>
<style:style style:name="ceSayi" style:family="table-cell" style:data-style-name="NSayi"/>
<style:style style:name="ceMantik" style:family="table-cell" style:data-style-name="NMantik"/>
<style:style style:name="ceTarih" style:family="table-cell" style:data-style-name="NTarih"/>
<style:style style:name="ceZaman" style:family="table-cell" style:data-style-name="NZaman"/>
<style:style style:name="ceBaslik" style:family="table-cell"><style:text-properties fo:font-weight="bold" fo:color="#ff0000"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet>${nullDate}
<table:table table:name="Müşteriler"><table:table-column table:style-name="coGenis"/><table:table-column table:number-columns-repeated="5"/>${sheet1}</table:table>
<table:table table:name="Uzun Metin"><table:table-column/>${sheet2}</table:table>
</office:spreadsheet></office:body></office:document>
`;
  fs.writeFileSync(file, xml);
}

const [command, arg, extra] = process.argv.slice(2);
if (command === "sheetjs") write(arg);
else if (command === "fods") fods(arg, extra === "1904");
else if (command === "time") time(arg, Number(extra || 5));
else if (command === "time-write") timeWrite(arg, Number(extra || 3));
else {
  console.error("usage: node make-fixtures.js sheetjs DIR | fods FILE [1904] | time FILE [N] | time-write FILE [N]");
  process.exit(2);
}
