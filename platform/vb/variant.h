#pragma once

#include "platform/vb/export.h"

#include <QDateTime>
#include <QString>

namespace vb {

enum VarType : int {
    vbEmpty = 0,
    vbNull = 1,
    vbInteger = 2,
    vbLong = 3,
    vbSingle = 4,
    vbDouble = 5,
    vbCurrency = 6,
    vbDate = 7,
    vbString = 8,
    vbObject = 9,
    vbError = 10,
    vbBoolean = 11,
    vbByte = 17,
};

// The language's Variant: Empty, Null, text, whole and floating numbers,
// Boolean, Date and Error (CVErr: a spreadsheet cell's error value). Conversions follow the language's rules and the regional
// settings in force (see regional.h).
class QM_EXPORT Variant {
public:
    Variant() : number_(0) {}                     // Empty
    Variant(const QString& text);                 // String
    Variant(const char* utf8);                    // String
    Variant(QStringView text);                    // String
    Variant(int value);                           // Long
    Variant(double value);                        // Double
    Variant(bool value);                          // Boolean
    Variant(const QDateTime& value);              // Date
    Variant(const QDate& value);                  // Date (midnight)

    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    static Variant Null();
    static Variant Integer(qint16 value);
    static Variant Long(qint32 value);
    static Variant Date(const QDateTime& value) { return Variant(value); }
    // CVErr(code); the spreadsheet's cell errors are 2000 and up (2007 #DIV/0!).
    static Variant Error(int code);

    VarType type() const { return type_; }
    bool isEmpty() const { return type_ == vbEmpty; }
    bool isNull() const { return type_ == vbNull; }
    bool isString() const { return type_ == vbString; }
    bool isNumber() const;   // Integer, Long, Double, Byte, Currency, Single
    bool isDate() const { return type_ == vbDate; }
    bool isBoolean() const { return type_ == vbBoolean; }
    bool isError() const { return type_ == vbError; }

    // Raw access for code that has checked type() first.
    const QString& stringValue() const { return text_; }
    double doubleValue() const { return type_ == vbDate ? 0 : number_; }
    bool boolValue() const { return doubleValue() != 0; }
    int errorCode() const { return int(doubleValue()); }
    const QDateTime& dateValue() const;

    // The same kind and value (Empty equals Empty, Null equals Null).
    bool operator==(const Variant& other) const;
    bool operator!=(const Variant& other) const { return !(*this == other); }

private:
    void copyValue(const Variant& other);
    void dropDate();

    VarType type_ = vbEmpty;
    QString text_;
    // A number or a date, never both: lists of a million rows hold millions
    // of values.
    union {
        double number_;
        QDateTime date_;
    };
};

// CStr: numbers and dates in the regional settings; Null raises
// "Invalid use of Null"; Empty is ""; an Error is "Error 2007". Numeric
// conversions of an Error raise "Type mismatch".
QM_EXPORT QString CStr(const Variant& v);
// CInt and CLng: round half to even, "Type mismatch" for text that is no
// number, "Overflow" outside the type's range.
QM_EXPORT qint16 CInt(const Variant& v);
QM_EXPORT qint32 CLng(const Variant& v);
QM_EXPORT double CDbl(const Variant& v);
QM_EXPORT bool CBool(const Variant& v);
QM_EXPORT QDateTime CDate(const Variant& v);

// Val: the leading number of a text, "." as decimal point whatever the
// region, blanks skipped; 0 when there is none.
QM_EXPORT double Val(const QString& text);
QM_EXPORT bool IsNumeric(const Variant& v);
QM_EXPORT bool IsDate(const Variant& v);
inline bool IsNull(const Variant& v) { return v.isNull(); }
inline bool IsEmpty(const Variant& v) { return v.isEmpty(); }
QM_EXPORT QString TypeName(const Variant& v);

// Round to the nearest whole number, halves to the even neighbour.
QM_EXPORT double RoundHalfEven(double value);

// Dates as the language's serial numbers (days since 30.12.1899). Its
// dates run from 1 January 100 to 31 December 9999; a serial outside them
// (or no number at all) raises "Overflow".
QM_EXPORT double ToSerialDate(const QDateTime& value);
QM_EXPORT QDateTime FromSerialDate(double serial);
QM_EXPORT bool IsSerialDate(double serial);

// Number and date texts in the regional settings, as CStr gives them.
QM_EXPORT QString NumberText(double value);
QM_EXPORT QString DateText(const QDateTime& value);

} // namespace vb
