// The forms catalogue (<folder>_FORMS.DAT): any bytes give a tree of nodes or are no catalogue, and
// a bound on its lines refuses exactly the texts of more lines.
#include "FuzzSupport.h"
#include "fSelFormulier.h"

#include <algorithm>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSetUp(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(FuzzBytes(data, size));
    const std::vector<std::string> lines = TextLines(bytes);
    // The bound on lines, as the window checks it before splitting (here a small one, from the
    // input's size): refused exactly when there are more lines.
    const std::size_t bound = std::min(MaxCatalogueLines, size % 64);
    try {
        FUZZ_CHECK(TextLines(bytes, bound) == lines);
        FUZZ_CHECK(lines.size() <= bound);
    } catch (const Exception&) {
        FUZZ_CHECK(lines.size() > bound);
    }
    std::vector<TFormNode> nodes;
    try {
        nodes = ParseFormCatalogue(lines);
    } catch (const Exception&) {
        return 0; // no catalogue
    }
    FUZZ_CHECK(nodes.size() == lines.size());
    std::vector<bool> hasChildren(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const TFormNode& node = nodes[i];
        FUZZ_CHECK(node.Parent < int(i));
        FUZZ_CHECK(node.Depth == (node.Parent < 0 ? 0 : nodes[std::size_t(node.Parent)].Depth + 1));
        FUZZ_CHECK(lines[i].size() >= node.Text.size() &&
                   lines[i].compare(lines[i].size() - node.Text.size(), node.Text.size(), node.Text) == 0);
        if (node.Parent >= 0)
            hasChildren[std::size_t(node.Parent)] = true;
        const int image = FormImageIndex(node);
        FUZZ_CHECK(image == -1 || (image >= fiCategory && image <= fiSubCategory));
        FormCode(node.Text);
    }
    for (std::size_t i = 0; i < nodes.size(); ++i)
        FUZZ_CHECK(nodes[i].HasChildren == hasChildren[i]);
    return 0;
}
