#include "WordXml.h"

#include "AsciiCase.h"

#include <cctype>

bool IsBlankParagraph(pugi::xml_node p)
{
    for (pugi::xml_node n : p.children()) {
        if (Is(n, "w:pPr"))
            continue;
        if (Is(n, "w:t") || Is(n, "w:delText")) {
            for (const char* c = n.text().get(); *c; ++c)
                if (!std::isspace(static_cast<unsigned char>(*c)))
                    return false;
            continue;
        }
        if (Is(n, "w:tab") || Is(n, "w:br") || Is(n, "w:cr") || Is(n, "w:drawing") || Is(n, "w:pict")
            || Is(n, "w:object") || Is(n, "w:sym") || Is(n, "w:fldChar") || Is(n, "w:fldSimple")
            || Is(n, "w:noBreakHyphen") || Is(n, "w:ptab"))
            return false;
        if (!IsBlankParagraph(n))
            return false;
    }
    return true;
}

TFieldInstruction ParseFieldInstruction(const std::string& instruction)
{
    TFieldInstruction result;
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < instruction.size() && std::isspace(static_cast<unsigned char>(instruction[i])))
            ++i;
    };
    skipBlanks();
    while (i < instruction.size() && !std::isspace(static_cast<unsigned char>(instruction[i])))
        result.Keyword += AsciiUpper(instruction[i++]);
    skipBlanks();
    if (i < instruction.size() && instruction[i] == '"') {
        const std::size_t close = instruction.find('"', i + 1);
        result.Argument = instruction.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
    } else {
        while (i < instruction.size() && !std::isspace(static_cast<unsigned char>(instruction[i])))
            result.Argument += instruction[i++];
    }
    return result;
}
