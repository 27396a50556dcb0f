#pragma once
// A form's layout file (<code>.dat) and the substitution of a record's values into its SQL
// statement.  Text is Windows-1252.

#include <QString>

#include <string>
#include <vector>

class TDataSet;
class TIniFile;

enum class TPassKind { Single, PerCandidate };

// A form's layout file (<code>.dat), read through TIniFile on every call.  The first call checks
// that the file is text (TIniFile::CheckFormat, with the file's name), and raises that error
// on every call while it is not; a missing file gives the defaults.
class TFormLayout {
public:
    explicit TFormLayout(QString FileName);

    // The flags: the upper-cased value (default "N") equals "Y".
    bool Empty() const;     // [GENERAL] empty
    bool AutoLoop() const;  // [GENERAL] autoloop
    bool EofRecord() const; // [KAND OPTIONS] eof_record
    bool Selectie() const;  // [KAND OPTIONS] selectie
    bool DocTitleEmpty() const; // [GENERAL] doctitle is empty or missing

    // [GENERAL] multirun upper-cased: "N" (also missing), or a first letter B, L or S, one pass;
    // a first letter K one pass per selected candidate.  Anything else raises "Ongeldige multirun
    // specifier in formulieropmaakbestand: " CR "Gebruik L, K, C, B, S of N".
    TPassKind PassKind() const;

    // Fields := one line per key of [FIELDS]: the key, "=" and its prompt.
    void ReadFields(std::vector<std::string>& Fields) const;

    // "SELECT " select " FROM " from [" WHERE " where] [" ORDER BY " orderby] from [SQL]; a key that
    // is missing or reads exactly "nodef" is absent.  No select raises "Missing SQL statement in "
    // + the file's name, no from "Missing FROM statement in " + the file's name.
    std::string SqlStatement() const;

private:
    TIniFile Ini() const;
    std::string Read(const std::string& Section, const std::string& Ident, const std::string& Default) const;
    bool Flag(const std::string& Section, const std::string& Ident) const;

    QString fileName_;
    std::string name_; // the file name without folder
    mutable bool checked_ = false;
};

// SQL with every "@name" (name: the longest run of 0-9, A-Z, a-z, "_") replaced by the value of
// DataSet's field of that name in the current record (none: the field's null value), between single
// quotes (a quote inside a value doubled): integer fields right-aligned with blanks in a width given by the field's name (lijst_id 5,
// lijst_nr 2, kand_id 5, kand_nr 3, bureau_id 4, bureau_nr 4, else the display width), null as that
// many "0"; floating-point and currency fields as "0.00" right-aligned in the display width; other
// fields left-aligned in the display width.  Longer texts are cut to the width.  The scan goes on
// after each inserted value.  An "@" at the very end raises "SQL syntax error in
// formulieropmaakbestand"; an unknown name the data set's field-not-found error.
std::string SubstituteSqlParams(const std::string& SQL, const TDataSet& DataSet);
