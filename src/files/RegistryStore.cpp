#include "RegistryStore.h"

#include "AnsiText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <mutex>

namespace {

struct RegValue {
    QString name;
    TRegDataType type = rdString;
    QString text;
    std::int32_t number = 0;
};

struct Node {
    QString name;
    std::vector<RegValue> values;
    std::vector<Node> keys;
};

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// "\Software\\ODBC\" -> {"Software", "ODBC"}
std::vector<QString> SplitPath(const std::string& path)
{
    std::vector<QString> parts;
    std::string part;
    for (char c : path + '\\') {
        if (c != '\\') {
            part += c;
        } else if (!part.empty()) {
            parts.push_back(AnsiToQString(part));
            part.clear();
        }
    }
    return parts;
}

Node* Child(Node& node, const QString& name)
{
    const auto it = std::find_if(node.keys.begin(), node.keys.end(), [&](const Node& n) { return SameName(n.name, name); });
    return it == node.keys.end() ? nullptr : &*it;
}

// The node at path, or nullptr; with create, missing keys are made (created is then set).
Node* Find(Node& root, const std::string& path, bool create, bool* created = nullptr)
{
    Node* node = &root;
    for (const QString& name : SplitPath(path)) {
        Node* next = Child(*node, name);
        if (!next) {
            if (!create)
                return nullptr;
            node->keys.push_back(Node{name, {}, {}});
            next = &node->keys.back();
            if (created)
                *created = true;
        }
        node = next;
    }
    return node;
}

// The value name of node, or nullptr (const or not, as node is).
template <class N>
auto FindValue(N& node, const QString& name) -> decltype(&node.values.front())
{
    const auto it = std::find_if(node.values.begin(), node.values.end(), [&](const RegValue& v) { return SameName(v.name, name); });
    return it == node.values.end() ? nullptr : &*it;
}

QJsonObject ToJson(const Node& node)
{
    QJsonArray values;
    for (const RegValue& v : node.values) {
        QJsonObject o{{"name", v.name}};
        if (v.type == rdInteger) {
            o["type"] = "number";
            o["data"] = v.number;
        } else {
            o["type"] = "text";
            o["data"] = v.text;
        }
        values.append(o);
    }
    QJsonArray keys;
    for (const Node& k : node.keys)
        keys.append(ToJson(k));
    QJsonObject o{{"values", values}, {"keys", keys}};
    if (!node.name.isEmpty())
        o["name"] = node.name;
    return o;
}

bool FromJson(const QJsonObject& o, Node& node)
{
    node.name = o.value("name").toString();
    for (const QJsonValue& item : o.value("values").toArray()) {
        const QJsonObject v = item.toObject();
        RegValue value{v.value("name").toString(), rdString, {}, 0};
        const QString type = v.value("type").toString();
        const QJsonValue data = v.value("data");
        if (type == "text" && data.isString()) {
            value.text = data.toString();
        } else if (type == "number" && data.isDouble()) {
            const double d = data.toDouble();
            if (d != std::floor(d) || d < std::numeric_limits<std::int32_t>::min() || d > std::numeric_limits<std::int32_t>::max())
                return false;
            value.type = rdInteger;
            value.number = static_cast<std::int32_t>(d);
        } else {
            return false;
        }
        node.values.push_back(value);
    }
    for (const QJsonValue& item : o.value("keys").toArray()) {
        Node child;
        if (!item.isObject() || !FromJson(item.toObject(), child))
            return false;
        node.keys.push_back(std::move(child));
    }
    return true;
}

// The tree last read from a store file, kept with the file's bytes: while the file holds the same
// bytes, it is not parsed again.
struct TParsedStore {
    QString FileName;
    QByteArray Bytes;
    Node Tree;
};

// The whole tree of a root key; a missing file is an empty tree.
Node Load(TRootKey root)
{
    static std::mutex guard;
    static std::map<TRootKey, TParsedStore> parsed;

    const QString fileName = RegistryStore::FileName(root);
    QFile file(fileName);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw ERegistryException("Cannot read the registry store " + PathInMessage(fileName));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ERegistryException("Cannot read the registry store " + PathInMessage(fileName));

    const std::lock_guard lock(guard);
    TParsedStore& last = parsed[root];
    if (last.FileName == fileName && last.Bytes == bytes)
        return last.Tree;
    Node tree;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject() || !FromJson(doc.object(), tree))
        throw ERegistryException("The registry store " + PathInMessage(fileName) + " is damaged");
    last = TParsedStore{fileName, bytes, tree};
    return tree;
}

bool Save(TRootKey root, const Node& tree)
{
    const QString fileName = RegistryStore::FileName(root);
    if (!QDir().mkpath(QFileInfo(fileName).path()))
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(ToJson(tree)).toJson(QJsonDocument::Indented));
    return file.commit();
}

} // namespace

RegistryStore::RegistryStore(TRootKey root) : root_(root) {}

QString RegistryStore::FileName(TRootKey root)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Zorvandel/registry/";
    return folder + (root == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT.json" : "HKEY_CURRENT_USER.json");
}

std::string RegistryStore::Resolve(const std::string& Key) const
{
    std::string path = (!Key.empty() && Key[0] == '\\') ? Key : currentPath_ + '\\' + Key;
    std::string normal;
    for (const QString& name : SplitPath(path))
        normal += (normal.empty() ? "" : "\\") + QStringToAnsi(name);
    return normal;
}

bool RegistryStore::OpenKey(const std::string& Key, bool CanCreate)
{
    const std::string path = Resolve(Key);
    try {
        Node tree = Load(root_);
        bool created = false;
        if (!Find(tree, path, CanCreate, &created))
            return false;
        if (created && !Save(root_, tree))
            return false;
    } catch (const ERegistryException&) {
        return false;
    }
    currentPath_ = path;
    readOnly_ = false;
    return true;
}

bool RegistryStore::OpenKeyReadOnly(const std::string& Key)
{
    if (!KeyExists(Key))
        return false;
    currentPath_ = Resolve(Key);
    readOnly_ = true;
    return true;
}

void RegistryStore::CloseKey()
{
    currentPath_.clear();
    readOnly_ = false;
}

bool RegistryStore::CreateKey(const std::string& Key)
{
    const std::string saved = currentPath_;
    const bool savedReadOnly = readOnly_;
    const bool ok = OpenKey(Key, true);
    currentPath_ = saved;
    readOnly_ = savedReadOnly;
    return ok;
}

bool RegistryStore::KeyExists(const std::string& Key) const
{
    try {
        Node tree = Load(root_);
        return Find(tree, Resolve(Key), false) != nullptr;
    } catch (const ERegistryException&) {
        return false;
    }
}

namespace {

// The value Name of the key at path, or nullptr; the tree is kept in *tree.
const RegValue* LookUp(TRootKey root, const std::string& path, const std::string& Name, Node& tree)
{
    tree = Load(root);
    const Node* node = Find(tree, path, false);
    return node ? FindValue(*node, AnsiToQString(Name)) : nullptr;
}

} // namespace

bool RegistryStore::ValueExists(const std::string& Name) const { return GetDataType(Name) != rdUnknown; }

TRegDataType RegistryStore::GetDataType(const std::string& Name) const
{
    try {
        Node tree;
        const RegValue* value = LookUp(root_, currentPath_, Name, tree);
        return value ? value->type : rdUnknown;
    } catch (const ERegistryException&) {
        return rdUnknown;
    }
}

std::vector<std::string> RegistryStore::GetValueNames() const
{
    std::vector<std::string> names;
    Node tree = Load(root_);
    if (const Node* node = Find(tree, currentPath_, false))
        for (const RegValue& v : node->values)
            names.push_back(QStringToAnsi(v.name));
    return names;
}

std::vector<std::string> RegistryStore::GetKeyNames() const
{
    std::vector<std::string> names;
    Node tree = Load(root_);
    if (const Node* node = Find(tree, currentPath_, false))
        for (const Node& k : node->keys)
            names.push_back(QStringToAnsi(k.name));
    return names;
}

std::string RegistryStore::ReadString(const std::string& Name) const
{
    Node tree;
    const RegValue* value = LookUp(root_, currentPath_, Name, tree);
    if (!value)
        return {};
    if (value->type != rdString)
        throw ERegistryException("Invalid data type for '" + Name + "'");
    return QStringToAnsi(value->text);
}

std::int32_t RegistryStore::ReadInteger(const std::string& Name) const
{
    Node tree;
    const RegValue* value = LookUp(root_, currentPath_, Name, tree);
    if (!value || value->type != rdInteger)
        throw ERegistryException("Invalid data type for '" + Name + "'");
    return value->number;
}

void RegistryStore::WriteString(const std::string& Name, const std::string& Value)
{
    WriteValue(Name, rdString, AnsiToQString(Value), 0);
}

void RegistryStore::WriteInteger(const std::string& Name, std::int32_t Value) { WriteValue(Name, rdInteger, {}, Value); }

void RegistryStore::WriteValue(const std::string& Name, TRegDataType type, const QString& text, std::int32_t number)
{
    const std::string failed = "Failed to set data for '" + Name + "'";
    if (readOnly_)
        throw ERegistryException(failed);
    Node tree = Load(root_);
    Node* node = Find(tree, currentPath_, true);
    const QString name = AnsiToQString(Name);
    RegValue* value = FindValue(*node, name);
    if (!value)
        value = &node->values.emplace_back(RegValue{name, type, {}, 0});
    value->type = type;
    value->text = text;
    value->number = number;
    if (!Save(root_, tree))
        throw ERegistryException(failed);
}
