#pragma once
// An Office Open XML word-processing package (.docx): its parts as bytes, in their order, read
// and written through libzip; XML parts are parsed and saved with pugixml in the form the word
// processors expect (declaration kept, whitespace-only text kept, no reformatting).

#include <QString>
#include <cstddef>
#include <functional>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

// Bounds far beyond any template, so that a hostile package cannot exhaust memory or the stack:
// the parts of a package together hold at most MaxPackageBytes, an XML part holds at most
// MaxXmlNodes elements and attributes (counted in its text before it is parsed) and nests its
// elements at most MaxXmlDepth deep (the document element at depth 1).
constexpr std::size_t MaxPackageBytes = std::size_t(64) << 20;
constexpr std::size_t MaxXmlNodes = 4'000'000;
constexpr std::size_t MaxXmlDepth = 256;

// Writes the bytes of a part to Out, in pieces of any size.
using TPartWriter = std::function<void(pugi::xml_writer& Out)>;

class TWordPackage {
public:
    // Reads the package at Path.  Throws Exception naming the file when it cannot be read, is
    // no zip archive, holds more than MaxPackageBytes, names a part twice (it could not be saved)
    // or holds no main document.  Messages show part names through PathInMessage.
    static TWordPackage Load(const QString& Path);

    // Writes the package to Path (through a temporary file that replaces it), its parts deflated
    // at zlib's default level.  Throws Exception when it cannot be written.
    void Save(const QString& Path) const;
    // The same with the part Streamed (in its place, added at the end when new) holding what
    // Writer writes.  Writer runs on a thread of its own while this one deflates its bytes, which
    // wait in at most a few chunks of about 1 MB, so the part is never held whole.  That thread has
    // ended when Save returns or throws.  What Writer throws is rethrown unchanged; when the file
    // cannot be written, Out.write throws at Writer's next chunk (Writer lets it pass) and Save
    // throws the Exception that Save(Path) gives.
    void Save(const QString& Path, const std::string& Streamed, const TPartWriter& Writer) const;

    bool HasPart(const std::string& Name) const;
    const std::string& Part(const std::string& Name) const; // throws when missing
    void SetPart(const std::string& Name, std::string Data); // added at the end when new
    // SetPart for each of Parts, in their order, at once.
    void SetParts(std::vector<std::pair<std::string, std::string>> Parts);
    void RemovePart(const std::string& Name);
    const std::vector<std::pair<std::string, std::string>>& Parts() const { return parts_; }

    // The main document part ("word/document.xml"), from the package relationships.
    std::string MainPartName() const;
    // The part the main document relates to with the given relationship type (its last path
    // segment, such as "settings"); "" when there is none.
    std::string RelatedPartName(const std::string& Type) const;
    // Relates the main document to Name with Type and gives the part its content type.
    void AddRelatedPart(const std::string& Name, const std::string& Type, const std::string& ContentType);
    // The content type that [Content_Types].xml gives a part ("" when none).
    std::string ContentType(const std::string& Name) const;
    void SetContentType(const std::string& Name, const std::string& ContentType);

private:
    std::vector<std::pair<std::string, std::string>> parts_;
};

constexpr unsigned int XmlParseOptions = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

// Parses an XML part; throws Exception naming Name when it is not well-formed, holds more than
// MaxXmlNodes elements and attributes or nests deeper than MaxXmlDepth.
void ParseXmlPart(pugi::xml_document& Doc, const std::string& Data, const std::string& Name);
// Writes an XML part into room for Expected bytes made first, so that a large part is held once
// and not grown by copying: a part of up to that size is written in one pass, and room it leaves
// unwritten is never touched.  Without Expected the part is measured first.
std::string SaveXmlPart(const pugi::xml_document& Doc, std::size_t Expected = 0);
// Writes an XML part to Out as SaveXmlPart does.
void WriteXmlPart(const pugi::xml_document& Doc, pugi::xml_writer& Out);

// Counts the bytes of what is written to it.
struct TCountingWriter : pugi::xml_writer {
    std::size_t Bytes = 0;
    void write(const void*, size_t size) override { Bytes += size; }
};

// Why the system refused (an errno value), for the errors a user can meet: "de schijf is vol",
// and "systeemfout " with the number for the others.
std::string SystemReason(int Error);

// A count as Dutch texts write it: "4.000.000".
std::string DutchCount(std::size_t Count);

// The relationships part of a part ("word/_rels/document.xml.rels" for "word/document.xml").
std::string RelationshipsPartName(const std::string& PartName);
// The part a relationship of the part Source names with Target ("word/header1.xml" for
// "header1.xml" from "word/document.xml").
std::string RelationshipTargetPart(const std::string& Source, const std::string& Target);
