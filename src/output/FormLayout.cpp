#include "FormLayout.h"

#include "AnsiText.h"
#include "DataSet.h"
#include "Exceptions.h"
#include "FormatSettings.h"
#include "IniFile.h"
#include "StrFuncs.h"

#include <QFileInfo>

#include <cstdio>

TFormLayout::TFormLayout(QString FileName)
    : fileName_(std::move(FileName)), name_(PathInMessage(QFileInfo(fileName_).fileName()))
{
}

TIniFile TFormLayout::Ini() const
{
    TIniFile ini(fileName_);
    if (!checked_) {
        ini.CheckFormat(name_);
        checked_ = true;
    }
    return ini;
}

std::string TFormLayout::Read(const std::string& Section, const std::string& Ident, const std::string& Default) const
{
    return Ini().ReadString(Section, Ident, Default);
}

bool TFormLayout::Flag(const std::string& Section, const std::string& Ident) const
{
    return UpperStr(Read(Section, Ident, "N")) == "Y";
}

bool TFormLayout::Empty() const
{
    return Flag("GENERAL", "empty");
}

bool TFormLayout::AutoLoop() const
{
    return Flag("GENERAL", "autoloop");
}

bool TFormLayout::EofRecord() const
{
    return Flag("KAND OPTIONS", "eof_record");
}

bool TFormLayout::Selectie() const
{
    return Flag("KAND OPTIONS", "selectie");
}

bool TFormLayout::DocTitleEmpty() const
{
    return Read("GENERAL", "doctitle", "").empty();
}

TPassKind TFormLayout::PassKind() const
{
    const std::string kind = UpperStr(Read("GENERAL", "multirun", "N"));
    if (kind == "N")
        return TPassKind::Single;
    switch (kind.empty() ? '\0' : kind[0]) {
    case 'B':
    case 'L':
    case 'S': return TPassKind::Single;
    case 'K': return TPassKind::PerCandidate;
    default:
        throw Exception("Ongeldige multirun specifier in formulieropmaakbestand: \rGebruik L, K, C, B, S of N");
    }
}

void TFormLayout::ReadFields(std::vector<std::string>& Fields) const
{
    Ini().ReadSectionValues("FIELDS", Fields);
}

std::string TFormLayout::SqlStatement() const
{
    const std::string nodef = "nodef";
    const std::string select = Read("SQL", "select", nodef);
    if (select == nodef)
        throw Exception("Missing SQL statement in " + name_);
    std::string sql = "SELECT " + select;
    const std::string from = Read("SQL", "from", nodef);
    if (from == nodef)
        throw Exception("Missing FROM statement in " + name_);
    sql += " FROM " + from;
    if (const std::string where = Read("SQL", "where", nodef); where != nodef)
        sql += " WHERE " + where;
    if (const std::string orderBy = Read("SQL", "orderby", nodef); orderBy != nodef)
        sql += " ORDER BY " + orderBy;
    return sql;
}

namespace {

bool IsIdentifierChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

int IntegerWidth(const TField& field)
{
    const std::string name = LowerStr(field.FieldName());
    if (name == "lijst_id" || name == "kand_id")
        return 5;
    if (name == "lijst_nr")
        return 2;
    if (name == "kand_nr")
        return 3;
    if (name == "bureau_id" || name == "bureau_nr")
        return 4;
    return field.DisplayWidth();
}

std::string FormattedValue(const TField& field)
{
    switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint: {
        const int width = IntegerWidth(field);
        return field.IsNull() ? Replicate("0", width) : PadLeft(field.AsString(), width, ' ');
    }
    case ftFloat:
    case ftCurrency: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.2f", field.AsFloat());
        std::string text = buffer;
        for (char& c : text)
            if (c == '.')
                c = FormatSettings().DecimalSeparator;
        return PadLeft(text, field.DisplayWidth(), ' ');
    }
    default: return PadRight(field.AsString(), field.DisplayWidth(), ' ');
    }
}

} // namespace

std::string SubstituteSqlParams(const std::string& SQL, const TDataSet& DataSet)
{
    std::string text = SQL;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('@', from)) != std::string::npos;) {
        if (at + 1 == text.size())
            throw Exception("SQL syntax error in formulieropmaakbestand");
        std::size_t end = at + 1;
        while (end < text.size() && IsIdentifierChar(text[end]))
            ++end;
        // A quote inside the value is doubled, so "van 't Hof" stays one SQL string.
        const std::string value = QuoteStr(FormattedValue(DataSet.FieldByName(text.substr(at + 1, end - at - 1))));
        text.replace(at, end - at, value);
        from = at + value.size();
    }
    return text;
}
