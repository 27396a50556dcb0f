// Bounds of the package reader: a package cannot make it allocate without limit or walk into
// XML nested without end.
#include "WordPackage.h"

#include "ErrorOf.h"
#include "WordDocument.h"
#include "WordTesting.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::string Nested(std::size_t depth)
{
    std::string xml;
    for (std::size_t i = 0; i < depth; ++i)
        xml += "<w:sdt>";
    xml += Para("diep");
    for (std::size_t i = 0; i < depth; ++i)
        xml += "</w:sdt>";
    return xml;
}

TEST(WordPackage, PartsLargerTogetherThanTheBoundAreRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("groot.dot");
    struct Case {
        std::size_t size;
        std::string error;
    };
    // Besides document.xml and the other small parts, one part of the given size.
    const std::size_t small = [&] {
        std::size_t total = 0;
        const TWordPackage package = MakeWordPackage(Para("x"));
        for (const auto& part : package.Parts())
            total += part.second.size();
        return total;
    }();
    const Case cases[] = {
        {MaxPackageBytes - small, "(no error)"},
        {MaxPackageBytes - small + 1, "Het bestand " + path.toStdString() + " is beschadigd: de onderdelen zijn samen groter dan 64 MB"},
    };
    for (const Case& c : cases) {
        TWordPackage package = MakeWordPackage(Para("x"));
        package.SetPart("word/media/image1.bin", std::string(c.size, '\0'));
        package.Save(path);
        EXPECT_EQ(ErrorOf([&] { TWordPackage::Load(path); }), c.error) << c.size;
    }
}

TEST(WordPackage, XmlNestedDeeperThanTheBoundIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("diep.dot");
    // w:document, w:body, the nesting, then w:p, w:r and w:t.
    for (const std::size_t depth : {MaxXmlDepth - 5, MaxXmlDepth - 4, std::size_t(100000)}) {
        MakeWordPackage(Nested(depth)).Save(path);
        const std::string expected = depth + 5 <= MaxXmlDepth ? "(no error)"
            : "Het onderdeel word/document.xml van het document is beschadigd: de elementen zijn dieper genest dan 256";
        EXPECT_EQ(ErrorOf([&] { TWordDocument::Open(path); }), expected) << depth;
    }
}

} // namespace
