#pragma once
// The mail merge of a main document with the records of a data source, into a new document.
//
// The main document's body is copied once for each record; every copy after the first starts on
// a new page.  In a copy, fields are taken in document order: a MERGEFIELD (simple w:fldSimple or
// complex w:fldChar form, its name compared without regard to case) becomes the value of the
// current record as plain text in the field's formatting; a NEXT field goes on to the next record
// within the same copy and leaves nothing.  The next copy starts with the record after the last one
// used.  Past the last record, and for a name the data source lacks, a field becomes empty.  With
// SuppressBlankLines a paragraph whose merge fields all came out empty and that shows nothing else
// is dropped.  Other fields stay as they are.

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
// characters are left out.  Returns the number of copies made; Size (when given) receives the
// result's size and Layout (when given) what is known of its layout.  Throws Exception with
// MergedTooLargeText before a copy would not fit in Options.Room, leaving Result empty.
int MergeDocument(const pugi::xml_document& Main, const TRecordSet& Data, const TMergeOptions& Options,
                  pugi::xml_document& Result, TMergedSize* Size = nullptr, TMergedLayout* Layout = nullptr);
