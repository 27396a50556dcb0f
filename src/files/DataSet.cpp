#include "DataSet.h"

#include "AsciiCase.h"
#include "Exceptions.h"
#include "FloatText.h"
#include "FormatSettings.h"

#include <algorithm>
#include <cstdio>

namespace {

bool IsFloatType(TFieldType type)
{
    return type == ftFloat || type == ftCurrency || type == ftBCD;
}

bool IsDateType(TFieldType type)
{
    return type == ftDate || type == ftTime || type == ftDateTime;
}

bool IsTextType(TFieldType type)
{
    return type == ftString || type == ftMemo;
}

int DefaultDisplayWidth(TFieldType type, int size)
{
    switch (type) {
    case ftString: return size > 0 ? size : 20;
    case ftSmallint: return 6;
    case ftInteger: case ftAutoInc: return 11;
    case ftWord: return 5;
    case ftLargeint: return 15;
    case ftDate: case ftTime: return 10;
    case ftDateTime: return 18;
    default: return 10;
    }
}

// The locale's short date form ("dd-mm-yyyy"), with the time behind it when asked.
std::string DateTimeText(TDateTime value, bool date, bool time)
{
    std::string pattern = date ? FormatSettings().ShortDateFormat : std::string();
    if (time) {
        const char sep = FormatSettings().TimeSeparator;
        if (!pattern.empty())
            pattern += ' ';
        pattern += std::string("hh") + sep + "nn" + sep + "ss";
    }
    return FormatDateTime(pattern, value);
}

} // namespace

TField::TField(const TDataSet& dataSet, int index, std::string name, TFieldType type, int size, int displayWidth)
    : dataSet_(dataSet), index_(index), name_(std::move(name)), type_(type), size_(size), displayWidth_(displayWidth)
{
}

const TFieldValue& TField::Value() const
{
    dataSet_.CheckActive();
    static const TFieldValue null;
    return dataSet_.HasCurrent() ? dataSet_.records_[dataSet_.current_][std::size_t(index_)] : null;
}

bool TField::IsNull() const
{
    return std::holds_alternative<std::monostate>(Value());
}

double TField::AsFloat() const
{
    const TFieldValue& v = Value();
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return double(*i);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* s = std::get_if<std::string>(&v)) {
        double value = 0;
        if (!TryStrToFloat(*s, value))
            throw EConvertError("'" + *s + "' is geen geldige drijvende-kommawaarde");
        return value;
    }
    return 0;
}

TDateTime TField::AsDateTime() const
{
    if (std::holds_alternative<std::string>(Value()))
        throw EConvertError("Veld '" + name_ + "' kan niet als TDateTime worden gelezen");
    return AsFloat();
}

std::string TField::AsString() const
{
    const TFieldValue& v = Value();
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v)) {
        if (IsDateType(type_)) {
            const bool hasTime = *d != static_cast<double>(static_cast<long long>(*d));
            return DateTimeText(*d, type_ != ftTime, type_ == ftTime || hasTime);
        }
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.15g", *d);
        std::string text = buffer;
        for (char& c : text)
            if (c == '.')
                c = FormatSettings().DecimalSeparator;
        return text;
    }
    return {};
}

TField& TDataSet::AddField(const std::string& name, TFieldType type, int size, int displayWidth)
{
    if (!records_.empty())
        throw Exception(Prefix() + "Een tabel met records krijgt geen nieuw veld");
    if (!IsTextType(type))
        size = 0;
    if (displayWidth <= 0)
        displayWidth = DefaultDisplayWidth(type, size);
    fields_.push_back(std::unique_ptr<TField>(new TField(*this, FieldCount(), name, type, size, displayWidth)));
    return *fields_.back();
}

void TDataSet::Open()
{
    active_ = true;
    First();
}

void TDataSet::Close()
{
    active_ = false;
    eof_ = true;
}

void TDataSet::CheckActive() const
{
    if (!active_)
        throw Exception(Prefix() + "Deze bewerking kan niet op een gesloten dataset");
}

int TDataSet::RecordCount() const
{
    CheckActive();
    return int(records_.size());
}

void TDataSet::First()
{
    CheckActive();
    current_ = 0;
    eof_ = records_.empty();
}

void TDataSet::Next()
{
    CheckActive();
    if (current_ + 1 < records_.size())
        ++current_;
    else
        eof_ = true;
}

TField& TDataSet::Fields(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw Exception(Prefix() + "Veldindex buiten bereik");
    return *fields_[std::size_t(index)];
}

TField& TDataSet::FieldByName(const std::string& name) const
{
    for (const auto& field : fields_)
        if (AsciiSameText(field->FieldName(), name)) // names ignore case
            return *field;
    throw Exception(Prefix() + "Veld '" + name + "' niet gevonden");
}

void TDataSet::AppendRecord(std::vector<TFieldValue> values)
{
    CheckActive();
    if (values.size() > fields_.size())
        throw Exception(Prefix() + "More values than fields");
    values.resize(fields_.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        TFieldValue& v = values[i];
        const TField& field = *fields_[i];
        const TFieldType type = field.DataType();
        bool fits = std::holds_alternative<std::monostate>(v);
        if (auto* s = std::get_if<std::string>(&v); s && IsTextType(type)) {
            if (field.Size() > 0 && s->size() > std::size_t(field.Size()))
                s->resize(std::size_t(field.Size()));
            fits = true;
        } else if (auto* n = std::get_if<std::int64_t>(&v)) {
            if (IsFloatType(type) || IsDateType(type))
                v = double(*n);
            fits = !IsTextType(type);
        } else if (std::holds_alternative<double>(v)) {
            fits = IsFloatType(type) || IsDateType(type);
        }
        if (!fits)
            throw EConvertError(Prefix() + "Ongeldige waarde voor veld '" + field.FieldName() + "'");
    }
    records_.push_back(std::move(values));
    current_ = records_.size() - 1;
    eof_ = false;
}

void TDataSet::EmptyDataSet()
{
    CheckActive();
    records_.clear();
    First();
}
