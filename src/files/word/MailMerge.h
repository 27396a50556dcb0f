#pragma once
// The mail merge of a main document with the records of a data source, into a new document.
//
// The main document's body is copied once for each record; every copy after the first starts on
// a new page.  In a copy, fields are taken in document order: a MERGEFIELD (simple w:fldSimple or
// complex w:fldChar form, its name compared without regard to case) becomes the value of the
// current record as plain text in the field's formatting, also where it stands inside another
// field (in that field's instruction as instruction text); a NEXT field goes on to the next
// record within the same copy and leaves nothing.  An IF field (IF expression operator expression
// "true text" "false text", operators = <> < > <= >=) is evaluated with the fields nested in it:
// two numbers compare as numbers, other texts as texts with regard to case, and after = or <> a
// quoted second expression may hold the wildcards ? (one character) and * (any text).  The text
// chosen takes the field's place in the formatting of its own runs, its nested fields filled (a
// NEXT among them goes on to the next record); false without a false text leaves nothing.  The
// renderings of an alternate content (mc:Choice, mc:Fallback) are filled from the same records,
// their NEXT fields counted once.  The next copy starts with the record after the last one used.
// Past the last record, and for a name the data source lacks, a field becomes empty.  With
// SuppressBlankLines a paragraph of the body whose merge fields all came out empty and that shows
// nothing else is dropped.  Other fields (ASK, FILLIN, SKIPIF, NEXTIF, ...) stay as they are, and
// so does a field whose begin and end stand in different paragraphs.
//
// Given the package, the merge also fills the stories beside the body.  A header or footer that
// holds fields is made anew for each copy (a part of its own, with its relationship and content
// type), filled from the record the copy starts with; so is each footnote and endnote the body
// refers to, under a new id (the separators stay once).  Copies whose template has headers or
// footers, a title page or several sections have sections of their own: each copy ends with the
// template's last section, the body's w:sectPr ending the last copy.

#include "RecordSet.h"
#include "WordPackage.h"

#include <pugixml.hpp>
#include <vector>

// What a merged document may hold at most: no more than the package reader accepts, so that
// memory stays bounded whatever the template and the data.  Nodes are elements, texts and
// attributes.
constexpr std::size_t MaxMergedBytes = MaxPackageBytes;
constexpr std::size_t MaxMergedNodes = MaxXmlNodes;

// The size of merged XML: its bytes as written and its nodes.
struct TMergedSize {
    std::size_t Bytes = 0;
    std::size_t Nodes = 0;
};

struct TMergeOptions {
    int FirstRecord = 1; // 1-based, inclusive
    int LastRecord = 1000000;
    bool SuppressBlankLines = false;
    // Room left for the result; the merge is refused before a copy would go past it.
    TMergedSize Room{MaxMergedBytes, MaxMergedNodes};
};

// What a merge knows of its result without reading it again: its w:sectPr elements, when the
// copies hold none (Sections empty otherwise), and whether its body holds no form-field data
// (w:ffData).
struct TMergedLayout {
    bool SectionsKnown = false;
    std::vector<pugi::xml_node> Sections;
    bool NoFieldData = false;
};

// The failure of a merge whose result would not fit in its room.
std::string MergedTooLargeText();

// Merges the document element of Main (a w:document) with Data into Result (replaced).  Values
// are Windows-1252 text; tabs become tab characters, line ends line breaks, other control
// characters are left out.  Package (when given) holds the main document's other parts: the
// stories beside the body are read from it, and the parts the merge makes or changes are written
// into it once the merge succeeded.  Returns the number of copies made; Size (when given)
// receives the size of all that the merge made (the bytes of the parts it writes, the nodes of
// Result) and Layout (when given) what is known of its layout.  Throws Exception with
// MergedTooLargeText before a copy with its values and stories would not fit in Options.Room,
// leaving Result empty and Package as it was.
int MergeDocument(const pugi::xml_document& Main, const TRecordSet& Data, const TMergeOptions& Options,
                  pugi::xml_document& Result, TMergedSize* Size = nullptr, TMergedLayout* Layout = nullptr,
                  TWordPackage* Package = nullptr);
