#pragma once
// A small in-memory table: typed fields, records appended in order, and a cursor that walks them
// (first, next, end of data).  Grids read it through TDataSource; the forms output fills one.

#include "DateTime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

enum TFieldType {
    ftString, ftSmallint, ftInteger, ftWord, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftAutoInc, ftMemo, ftLargeint
};

// A field value: null, a whole number, a floating-point number (also a date-time) or text.
using TFieldValue = std::variant<std::monostate, std::int64_t, double, std::string>;

class TDataSet;

// One column of a TDataSet; its values are those of the table's current record.
class TField {
public:
    const std::string& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }           // characters of a text field, 0 otherwise
    int DisplayWidth() const { return displayWidth_; } // in characters

    bool IsNull() const;
    // Null reads as 0 and "".  A date-time reads as a number; text reads as a number in the
    // locale's decimal form; other mismatches throw EConvertError.
    TDateTime AsDateTime() const;
    double AsFloat() const;
    std::string AsString() const;

private:
    friend class TDataSet;
    TField(const TDataSet& dataSet, int index, std::string name, TFieldType type, int size, int displayWidth);
    const TFieldValue& Value() const;

    const TDataSet& dataSet_;
    int index_;
    std::string name_;
    TFieldType type_;
    int size_;
    int displayWidth_;
};

class TDataSet {
public:
    explicit TDataSet(std::string name = "") : Name(std::move(name)) {}
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    std::string Name;

    // Defines a field; only while the table holds no records.  size: characters of a text field
    // (0 = unlimited); displayWidth 0 takes the usual width of the type.
    TField& AddField(const std::string& name, TFieldType type, int size = 0, int displayWidth = 0);

    void Open();  // the cursor goes to the first record
    void Close(); // records are kept
    bool Active() const { return active_; }

    // The following throw while the table is closed.
    int RecordCount() const;
    void First();
    void Next();
    // True after moving past the last record, and on a table without records.
    bool Eof() const { return eof_; }

    int FieldCount() const { return int(fields_.size()); }
    TField& Fields(int index) const;
    TField& FieldByName(const std::string& name) const; // names compare without regard to case

    // Appends one record (fields in order; missing values are null) and makes it current.
    // Text is cut to the field's size.  A value that does not fit the field's type throws
    // EConvertError.
    void AppendRecord(std::vector<TFieldValue> values);
    void EmptyDataSet();

private:
    friend class TField;
    void CheckActive() const;
    std::string Prefix() const { return Name.empty() ? std::string() : Name + ": "; }
    bool HasCurrent() const { return current_ < records_.size(); }

    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<std::vector<TFieldValue>> records_;
    std::size_t current_ = 0;
    bool active_ = false;
    bool eof_ = true;
};

// The link between a data-bound control and its table (not owned).
struct TDataSource {
    TDataSet* DataSet = nullptr;
};
