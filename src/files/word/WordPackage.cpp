#include "WordPackage.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "BoundedWorker.h"
#include "Exceptions.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <mutex>
#include <sstream>
#include <unordered_map>
#include <unordered_set>
#include <zip.h>

namespace {

const char* const ContentTypesPart = "[Content_Types].xml";
const char* const RelationshipNs = "http://schemas.openxmlformats.org/package/2006/relationships";
const char* const OfficeDocumentType = "officeDocument";
// zlib's default level: a few percent larger than the best, and several times faster.
constexpr zip_uint32_t DeflateLevel = 6;

std::string FileNameOf(const QString& path) { return PathInMessage(path); }

// A part or entry name (UTF-8, from the document) as a message shows it.
std::string PartNameOf(const std::string& part) { return PathInMessage(QString::fromUtf8(part.data(), qsizetype(part.size()))); }

std::string ZipReason(int code, int systemError)
{
    switch (code) {
    case ZIP_ER_NOZIP: return "het is geen zip-archief";
    case ZIP_ER_NOENT: return "het bestand bestaat niet";
    case ZIP_ER_INCONS: return "het zip-archief is beschadigd";
    case ZIP_ER_CRC: return "het controlegetal klopt niet";
    case ZIP_ER_EOF: return "het bestand houdt te vroeg op";
    case ZIP_ER_COMPNOTSUPP: return "de compressiemethode wordt niet ondersteund";
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD: return "het zip-archief is versleuteld";
    case ZIP_ER_MEMORY: return "onvoldoende geheugen";
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_WRITE:
    case ZIP_ER_SEEK:
    case ZIP_ER_CLOSE:
    case ZIP_ER_RENAME:
    case ZIP_ER_REMOVE:
    case ZIP_ER_TMPOPEN: return systemError ? SystemReason(systemError) : "lees- of schrijffout";
    default: return "zip-fout " + std::to_string(code);
    }
}

std::string ZipReason(zip_t* archive)
{
    zip_error_t* error = zip_get_error(archive);
    return ZipReason(zip_error_code_zip(error), zip_error_system_type(error) == ZIP_ET_SYS ? zip_error_code_system(error) : 0);
}

// pugixml's parse failures.
std::string XmlReason(pugi::xml_parse_status status)
{
    switch (status) {
    case pugi::status_out_of_memory: return "onvoldoende geheugen";
    case pugi::status_unrecognized_tag: return "een onbekende tag";
    case pugi::status_bad_pi: return "een onjuiste verwerkingsinstructie";
    case pugi::status_bad_comment: return "een onjuist commentaar";
    case pugi::status_bad_cdata: return "een onjuiste CDATA-sectie";
    case pugi::status_bad_doctype: return "een onjuiste documenttypedeclaratie";
    case pugi::status_bad_pcdata: return "onjuiste tekst";
    case pugi::status_bad_start_element: return "een onjuiste begintag";
    case pugi::status_bad_attribute: return "een onjuist attribuut";
    case pugi::status_bad_end_element: return "een onjuiste eindtag";
    case pugi::status_end_element_mismatch: return "een eindtag die niet bij de begintag past";
    case pugi::status_no_document_element: return "geen hoofdelement";
    default: return "onleesbare XML";
    }
}

// The elements and attributes a parse of text would make at most: its start tags and "=" signs.
std::size_t CountXmlNodes(const std::string& text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '=' || (text[i] == '<' && (i + 1 == text.size() || text[i + 1] != '/')))
            ++count;
    return count;
}

struct TStringWriter : pugi::xml_writer {
    std::string Text;
    void write(const void* data, size_t size) override { Text.append(static_cast<const char*>(data), size); }
};

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};

std::string Folder(const std::string& part)
{
    const auto slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// Target of a relationship, relative to base folder, as a part name without leading "/".
std::string Resolve(const std::string& base, const std::string& target)
{
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : base + target;
    std::vector<std::string> segments;
    std::stringstream in(path);
    for (std::string segment; std::getline(in, segment, '/');) {
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
    }
    std::string result;
    for (const std::string& s : segments)
        result += (result.empty() ? "" : "/") + s;
    return result;
}

bool EndsWithType(const char* type, const std::string& name)
{
    const std::string t = type;
    return t.size() > name.size() && t.compare(t.size() - name.size(), name.size(), name) == 0
        && t[t.size() - name.size() - 1] == '/';
}

} // namespace

std::string SystemReason(int Error)
{
    switch (Error) {
    case ENOENT: return "het bestand of de map bestaat niet";
    case EACCES:
    case EPERM: return "geen toegang";
    case ENOSPC: return "de schijf is vol";
    case EDQUOT: return "de schijfruimte van de gebruiker is op";
    case EROFS: return "de schijf is alleen-lezen";
    case EISDIR: return "het is een map";
    case ENOMEM: return "onvoldoende geheugen";
    case EAGAIN: return "het systeem heeft tijdelijk onvoldoende middelen";
    default: return "systeemfout " + std::to_string(Error);
    }
}

namespace {

// The depth of the deepest element below node, walked without recursion.
std::size_t ElementDepth(pugi::xml_node node)
{
    std::size_t depth = 0, deepest = 0;
    pugi::xml_node n = node.first_child();
    while (n && n != node) {
        if (n.type() == pugi::node_element)
            deepest = std::max(deepest, depth + 1);
        if (n.first_child()) {
            n = n.first_child();
            ++depth;
            continue;
        }
        while (n != node && !n.next_sibling()) {
            n = n.parent();
            --depth;
        }
        if (n != node)
            n = n.next_sibling();
    }
    return deepest;
}

} // namespace

void ParseXmlPart(pugi::xml_document& Doc, const std::string& Data, const std::string& Name)
{
    if (CountXmlNodes(Data) > MaxXmlNodes) {
        Doc.reset();
        throw Exception("Het onderdeel " + PartNameOf(Name) + " van het document is te groot: meer dan " + DutchCount(MaxXmlNodes)
                        + " elementen en attributen");
    }
    const pugi::xml_parse_result result = Doc.load_buffer(Data.data(), Data.size(), XmlParseOptions, pugi::encoding_utf8);
    if (!result)
        throw Exception("Het onderdeel " + PartNameOf(Name) + " van het document is beschadigd: " + XmlReason(result.status));
    if (ElementDepth(Doc) > MaxXmlDepth) {
        Doc.reset();
        throw Exception("Het onderdeel " + PartNameOf(Name) + " van het document is beschadigd: de elementen zijn dieper genest dan " +
                        std::to_string(MaxXmlDepth));
    }
}

void WriteXmlPart(const pugi::xml_document& Doc, pugi::xml_writer& Out)
{
    Doc.save(Out, "", pugi::format_raw, pugi::encoding_utf8);
}

std::string SaveXmlPart(const pugi::xml_document& Doc, std::size_t Expected)
{
    if (Expected == 0) {
        TCountingWriter size;
        WriteXmlPart(Doc, size);
        Expected = size.Bytes;
    }
    TStringWriter out;
    out.Text.reserve(Expected);
    WriteXmlPart(Doc, out);
    return std::move(out.Text);
}

std::string DutchCount(std::size_t Count)
{
    const std::string digits = std::to_string(Count);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += '.';
        grouped += digits[i];
    }
    return grouped;
}

std::string RelationshipTargetPart(const std::string& Source, const std::string& Target)
{
    return Resolve(Folder(Source), Target);
}

std::string RelationshipsPartName(const std::string& PartName)
{
    return Folder(PartName) + "_rels/" + PartName.substr(Folder(PartName).size()) + ".rels";
}

TWordPackage TWordPackage::Load(const QString& Path)
{
    const std::string name = FileNameOf(Path);
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> archive(zip_open(QFile::encodeName(Path).constData(), ZIP_RDONLY, &error));
    if (!archive)
        throw Exception("Het bestand " + name + " kan niet worden geopend: " + ZipReason(error, errno));
    TWordPackage package;
    std::size_t total = 0;
    std::unordered_set<std::string> names;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.get(), i, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) || !(st.valid & ZIP_STAT_SIZE))
            throw Exception("Het bestand " + name + " is beschadigd");
        std::string entry = st.name;
        if (!entry.empty() && entry.back() == '/')
            continue;
        // A package cannot be written with one name twice.
        if (!names.insert(entry).second)
            throw Exception("Het bestand " + name + " is beschadigd: het onderdeel " + PartNameOf(entry) + " staat er twee keer in");
        // The sizes the archive states, checked before anything is unpacked.
        if (st.size > MaxPackageBytes - total)
            throw Exception("Het bestand " + name + " is beschadigd: de onderdelen zijn samen groter dan " +
                            std::to_string(MaxPackageBytes >> 20) + " MB");
        total += st.size;
        std::string data(st.size, '\0');
        zip_file_t* file = zip_fopen_index(archive.get(), i, 0);
        const zip_int64_t read = file ? zip_fread(file, data.data(), st.size) : -1;
        if (file)
            zip_fclose(file);
        if (read < 0 || static_cast<zip_uint64_t>(read) != st.size)
            throw Exception("Het bestand " + name + " is beschadigd: " + PartNameOf(entry) + " is onleesbaar");
        package.parts_.emplace_back(std::move(entry), std::move(data));
    }
    if (!package.HasPart(ContentTypesPart) || !package.HasPart(package.MainPartName()))
        throw Exception("Het bestand " + name + " is geen Word-document");
    return package;
}

namespace {

constexpr std::size_t ChunkBytes = std::size_t(1) << 20;
constexpr std::size_t QueuedChunks = 4;

// What a stopped stream's writer is ended with.
struct TStreamStopped {};

// A part's bytes, written by a thread of their own and read by libzip on the thread that closes
// the archive.  Between them wait at most QueuedChunks chunks of about ChunkBytes.
class TPartStream : pugi::xml_writer {
public:
    explicit TPartStream(const TPartWriter& writer)
        : worker_(QueuedChunks, [this, &writer](TBoundedWorker<std::string>&) { Produce(writer); })
    {
    }
    TPartStream(const TPartStream&) = delete;
    TPartStream& operator=(const TPartStream&) = delete;

    // A source of the archive that reads the stream once.
    zip_source_t* Source(zip_t* archive) { return zip_source_function(archive, Callback, this); }
    // Ends the writer at its next chunk unless it is done and waits for it; rethrows its failure.
    void Finish()
    {
        worker_.Stop();
        worker_.Finish();
    }

private:
    void Produce(const TPartWriter& writer)
    {
        try {
            filling_.reserve(ChunkBytes);
            writer(*this);
            if (!filling_.empty())
                Push();
        } catch (const TStreamStopped&) {
        }
    }

    void write(const void* data, size_t size) override
    {
        if (!filling_.empty() && filling_.size() + size > ChunkBytes)
            Push();
        filling_.append(static_cast<const char*>(data), size);
    }

    // Queues the chunk being filled and takes an empty one, one that was read when there is one.
    void Push()
    {
        if (!worker_.Put(std::move(filling_)))
            throw TStreamStopped();
        filling_.clear();
        {
            const std::lock_guard lock(spareMutex_);
            if (!spare_.empty()) {
                filling_ = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        filling_.reserve(ChunkBytes);
    }

    zip_int64_t Read(void* data, zip_uint64_t length)
    {
        if (readAt_ == reading_.size()) {
            if (reading_.capacity() >= ChunkBytes) {
                reading_.clear();
                const std::lock_guard lock(spareMutex_);
                spare_.push_back(std::move(reading_));
            }
            std::optional<std::string> next = worker_.Take();
            if (!next) {
                if (!worker_.WorkerFailed())
                    return 0;
                zip_error_set(&error_, ZIP_ER_READ, 0);
                return -1;
            }
            reading_ = std::move(*next);
            readAt_ = 0;
        }
        const std::size_t n = std::min<std::size_t>(length, reading_.size() - readAt_);
        std::memcpy(data, reading_.data() + readAt_, n);
        readAt_ += n;
        return static_cast<zip_int64_t>(n);
    }

    static zip_int64_t Callback(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto& stream = *static_cast<TPartStream*>(state);
        try {
            return stream.Command(data, length, command);
        } catch (...) { // nothing is thrown through libzip
            zip_error_set(&stream.error_, ZIP_ER_MEMORY, 0);
            return -1;
        }
    }

    zip_int64_t Command(void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        switch (command) {
        case ZIP_SOURCE_OPEN:
            if (opened_) { // the bytes are read once
                zip_error_set(&error_, ZIP_ER_INUSE, 0);
                return -1;
            }
            opened_ = true;
            return 0;
        case ZIP_SOURCE_READ:
            return Read(data, length);
        case ZIP_SOURCE_STAT: {
            // As a buffer states itself, without the size, which is known only at the end.
            zip_stat_t* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &error_);
            if (!st)
                return -1;
            zip_stat_init(st);
            st->mtime = mtime_;
            st->comp_method = ZIP_CM_STORE;
            st->encryption_method = ZIP_EM_NONE;
            st->valid = ZIP_STAT_MTIME | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
            return sizeof(*st);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&error_, data, length);
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_READABLE;
        default:
            zip_error_set(&error_, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    // The writer's thread only.
    std::string filling_;
    // libzip's thread only.
    std::string reading_;
    std::size_t readAt_ = 0;
    bool opened_ = false;
    zip_error_t error_{};
    const time_t mtime_ = time(nullptr);
    // Both: chunks read, for the writer to fill again.
    std::mutex spareMutex_;
    std::vector<std::string> spare_;
    TBoundedWorker<std::string> worker_; // last: its thread starts when the rest exists
};

// Writes parts to path in their order; the part streamed (added at the end when new) comes from
// stream when there is one.
void WriteArchive(const QString& path, const std::vector<std::pair<std::string, std::string>>& parts,
                  const std::string& streamed, TPartStream* stream)
{
    const std::string name = FileNameOf(path);
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        throw Exception("Het bestand " + name + " kan niet worden gemaakt: " + ZipReason(error, errno));
    const auto fail = [&] {
        const std::string reason = ZipReason(archive);
        zip_discard(archive);
        throw Exception("Het bestand " + name + " kan niet worden geschreven: " + reason);
    };
    const auto add = [&](const std::string& entry, zip_source_t* source) {
        const zip_int64_t index = source ? zip_file_add(archive, entry.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0 || zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, DeflateLevel) < 0) {
            if (source && index < 0)
                zip_source_free(source);
            fail();
        }
    };
    bool streamedAdded = false;
    for (const auto& [entry, data] : parts) {
        const bool fromStream = stream && !streamedAdded && entry == streamed;
        streamedAdded = streamedAdded || fromStream;
        add(entry, fromStream ? stream->Source(archive) : zip_source_buffer(archive, data.data(), data.size(), 0));
    }
    if (stream && !streamedAdded)
        add(streamed, stream->Source(archive));
    if (zip_close(archive) != 0)
        fail();
}

} // namespace

void TWordPackage::Save(const QString& Path) const { WriteArchive(Path, parts_, std::string(), nullptr); }

void TWordPackage::Save(const QString& Path, const std::string& Streamed, const TPartWriter& Writer) const
{
    TPartStream stream(Writer);
    try {
        WriteArchive(Path, parts_, Streamed, &stream);
    } catch (...) {
        stream.Finish(); // what the writer threw goes first
        throw;
    }
    stream.Finish();
}

bool TWordPackage::HasPart(const std::string& Name) const
{
    return std::any_of(parts_.begin(), parts_.end(), [&](const auto& p) { return p.first == Name; });
}

const std::string& TWordPackage::Part(const std::string& Name) const
{
    for (const auto& p : parts_)
        if (p.first == Name)
            return p.second;
    throw Exception("Het document heeft geen onderdeel " + PartNameOf(Name));
}

void TWordPackage::SetPart(const std::string& Name, std::string Data)
{
    for (auto& p : parts_)
        if (p.first == Name) {
            p.second = std::move(Data);
            return;
        }
    parts_.emplace_back(Name, std::move(Data));
}

void TWordPackage::SetParts(std::vector<std::pair<std::string, std::string>> Parts)
{
    std::unordered_map<std::string, std::size_t> index;
    for (std::size_t i = 0; i < parts_.size(); ++i)
        index.emplace(parts_[i].first, i);
    for (auto& [name, data] : Parts) {
        if (const auto it = index.find(name); it != index.end()) {
            parts_[it->second].second = std::move(data);
        } else {
            index.emplace(name, parts_.size());
            parts_.emplace_back(std::move(name), std::move(data));
        }
    }
}

void TWordPackage::RemovePart(const std::string& Name)
{
    parts_.erase(std::remove_if(parts_.begin(), parts_.end(), [&](const auto& p) { return p.first == Name; }), parts_.end());
}

namespace {

// Target of the first relationship of type in the relationships part rels, "" when none.
std::string FindRelated(const TWordPackage& package, const std::string& rels, const std::string& base, const std::string& type)
{
    if (!package.HasPart(rels))
        return "";
    pugi::xml_document doc;
    ParseXmlPart(doc, package.Part(rels), rels);
    for (pugi::xml_node r : doc.document_element().children("Relationship"))
        if (EndsWithType(r.attribute("Type").value(), type) && std::string(r.attribute("TargetMode").value()) != "External")
            return Resolve(base, r.attribute("Target").value());
    return "";
}

} // namespace

std::string TWordPackage::MainPartName() const
{
    const std::string main = FindRelated(*this, "_rels/.rels", "", OfficeDocumentType);
    return main.empty() ? "word/document.xml" : main;
}

std::string TWordPackage::RelatedPartName(const std::string& Type) const
{
    const std::string main = MainPartName();
    return FindRelated(*this, RelationshipsPartName(main), Folder(main), Type);
}

void TWordPackage::AddRelatedPart(const std::string& Name, const std::string& Type, const std::string& ContentType)
{
    const std::string main = MainPartName();
    const std::string rels = RelationshipsPartName(main);
    pugi::xml_document doc;
    if (HasPart(rels)) {
        ParseXmlPart(doc, Part(rels), rels);
    } else {
        doc.append_child(pugi::node_declaration).append_attribute("version") = "1.0";
        doc.append_child("Relationships").append_attribute("xmlns") = RelationshipNs;
    }
    pugi::xml_node root = doc.document_element();
    int n = 1;
    auto used = [&](const std::string& id) {
        for (pugi::xml_node r : root.children("Relationship"))
            if (id == r.attribute("Id").value())
                return true;
        return false;
    };
    while (used("rId" + std::to_string(n)))
        ++n;
    pugi::xml_node r = root.append_child("Relationship");
    r.append_attribute("Id") = ("rId" + std::to_string(n)).c_str();
    r.append_attribute("Type") = ("http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + Type).c_str();
    const std::string folder = Folder(main);
    r.append_attribute("Target") = (Name.compare(0, folder.size(), folder) == 0 ? Name.substr(folder.size()) : "/" + Name).c_str();
    SetPart(rels, SaveXmlPart(doc));
    SetContentType(Name, ContentType);
}

std::string TWordPackage::ContentType(const std::string& Name) const
{
    pugi::xml_document doc;
    ParseXmlPart(doc, Part(ContentTypesPart), ContentTypesPart);
    pugi::xml_node types = doc.document_element();
    for (pugi::xml_node o : types.children("Override"))
        if (AsciiSameText(o.attribute("PartName").value(), "/" + Name))
            return o.attribute("ContentType").value();
    const auto dot = Name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : Name.substr(dot + 1);
    for (pugi::xml_node d : types.children("Default"))
        if (AsciiSameText(d.attribute("Extension").value(), extension))
            return d.attribute("ContentType").value();
    return "";
}

void TWordPackage::SetContentType(const std::string& Name, const std::string& ContentType)
{
    pugi::xml_document doc;
    ParseXmlPart(doc, Part(ContentTypesPart), ContentTypesPart);
    pugi::xml_node types = doc.document_element();
    pugi::xml_node override;
    for (pugi::xml_node o : types.children("Override"))
        if (AsciiSameText(o.attribute("PartName").value(), "/" + Name))
            override = o;
    if (!override) {
        override = types.append_child("Override");
        override.append_attribute("PartName") = ("/" + Name).c_str();
        override.append_attribute("ContentType");
    }
    override.attribute("ContentType") = ContentType.c_str();
    SetPart(ContentTypesPart, SaveXmlPart(doc));
}
