#pragma once
// Word-processing packages for tests: a minimal package around a body and settings, and the
// parts of a saved package read back.

#include "WordPackage.h"

#include <QFile>
#include <QString>
#include <string>
#include <utility>
#include <vector>

inline const char* const WordNamespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// A package whose body holds bodyXml (the w:body's children) and whose settings hold settingsXml.
inline TWordPackage MakeWordPackage(const std::string& bodyXml, const std::string& settingsXml = "")
{
    TWordPackage package;
    package.SetPart("[Content_Types].xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                    "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml\"/>"
                    "<Override PartName=\"/word/settings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml\"/>"
                    "</Types>");
    package.SetPart("_rels/.rels",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
                    "</Relationships>");
    package.SetPart("word/_rels/document.xml.rels",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings\" Target=\"settings.xml\"/>"
                    "</Relationships>");
    package.SetPart("word/document.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document ")
                                             + WordNamespaces + "><w:body>" + bodyXml + "</w:body></w:document>");
    package.SetPart("word/settings.xml", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:settings ")
                                             + WordNamespaces + ">" + settingsXml + "</w:settings>");
    return package;
}

// Protection for form fields as a template carries it.
inline const char* const FormsProtection = "<w:zoom w:percent=\"100\"/><w:documentProtection w:edit=\"forms\" w:enforcement=\"1\"/>"
                                           "<w:defaultTabStop w:val=\"708\"/>";

// A paragraph of plain text.
inline std::string Para(const std::string& text)
{
    return "<w:p><w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
}

// A merge field in the complex form, as LibreOffice writes it.
inline std::string ComplexField(const std::string& instruction, const std::string& result = "")
{
    return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> " + instruction
        + " </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>" + result
        + "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

// A field in the simple form, as Word also writes it.
inline std::string SimpleField(const std::string& instruction)
{
    return "<w:fldSimple w:instr=\" " + instruction + " \"><w:r><w:rPr><w:i/></w:rPr><w:t>x</w:t></w:r></w:fldSimple>";
}

// A part of the package at path, "" when the package or part is missing.
inline std::string PartOf(const QString& path, const std::string& part)
{
    const TWordPackage package = TWordPackage::Load(path);
    return package.HasPart(part) ? package.Part(part) : std::string();
}

// Renames entries of the package at path in its bytes, each stand-in to a name of the same length,
// so that the archive names an entry as libzip would not write it (twice, for one).  False when a
// stand-in is missing or the file cannot be rewritten.
inline bool RenameEntries(const QString& path, const std::vector<std::pair<std::string, std::string>>& names)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    std::string bytes = file.readAll().toStdString();
    file.close();
    for (const auto& [standIn, name] : names) {
        if (standIn.size() != name.size() || bytes.find(standIn) == std::string::npos)
            return false;
        for (auto at = bytes.find(standIn); at != std::string::npos; at = bytes.find(standIn, at + 1))
            bytes.replace(at, name.size(), name);
    }
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes.data(), qsizetype(bytes.size())) == qsizetype(bytes.size());
}
