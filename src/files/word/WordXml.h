#pragma once
// Small helpers for the word-processing XML (the "w:" vocabulary) shared by the document and the merge.

#include <pugixml.hpp>
#include <cstring>
#include <string>
#include <string_view>

// Whether an element's name n is name.  Names of the vocabulary differ early ("w:" and a letter),
// so most tests end before the call.
inline bool IsName(const char* n, const char* name)
{
    for (int i = 0; i < 3; ++i) {
        if (n[i] != name[i])
            return false;
        if (!n[i])
            return true;
    }
    return std::strcmp(n + 3, name + 3) == 0;
}

inline bool Is(pugi::xml_node node, const char* name) { return IsName(node.name(), name); }

// The text of a w:t element.
inline std::string TextOf(pugi::xml_node t) { return t.text().get(); }

// Sets the text of a w:t element, keeping its blanks.
inline void SetText(pugi::xml_node t, std::string_view utf8)
{
    if (!t.attribute("xml:space"))
        t.append_attribute("xml:space") = "preserve";
    t.text().set(utf8.data(), utf8.size());
}

// A run after position (or appended to parent when position is null) with a copy of the run
// properties props (when given); the run is returned empty of content.
inline pugi::xml_node NewRun(pugi::xml_node parent, pugi::xml_node before, pugi::xml_node props)
{
    pugi::xml_node run = before ? parent.insert_child_before("w:r", before) : parent.append_child("w:r");
    if (props)
        run.append_copy(props);
    return run;
}

// Whether a paragraph shows nothing: no text other than blanks and no tab, break, picture,
// object, symbol or field left in it.
bool IsBlankParagraph(pugi::xml_node p);

// Word instruction of a field, split: its keyword in capitals and its first argument, with
// the quotes of a quoted argument removed.
struct TFieldInstruction {
    std::string Keyword;
    std::string Argument;
};
TFieldInstruction ParseFieldInstruction(const std::string& instruction);
