#include "WordProcessor.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "MailMerge.h"
#include "PosixIO.h"
#include "PrivateTempFolder.h"
#include "WordXml.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <set>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

const char* const NoRecordsText =
    "Het hoofddocument kan niet worden samengevoegd met het gegevensbestand, omdat de gegevensrecords leeg zijn "
    "of omdat er geen records overeenkomen met de ingestelde queryopties";

namespace {

const char* const NoDocumentText = "Deze opdracht is niet beschikbaar omdat er geen document geopend is.";
const char* const NoMemberText = "Het aangevraagde lid van de verzameling bestaat niet.";
const char* const NotMainDocumentText = "Dit document is geen hoofddocument voor afdruk samenvoegen.";
const char* const DocumentContentType = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";

[[noreturn]] void NotSupported(const std::string& what)
{
    throw Exception("Deze waarde van " + what + " wordt niet ondersteund.");
}

// The caption as a file name: no folder separators, reserved or control characters, no leading
// dot, not too long.
QString SafeFileName(const std::string& caption)
{
    QString name;
    for (const QChar c : AnsiToQString(caption))
        name += c.unicode() < 0x20 || c.unicode() == 0x7f || QStringLiteral("/\\:*?\"<>|").contains(c) ? QChar('_') : c;
    name = name.left(120);
    while (!name.isEmpty() && (name.front() == '.' || name.front().isSpace()))
        name.remove(0, 1);
    while (!name.isEmpty() && (name.back() == '.' || name.back().isSpace()))
        name.chop(1);
    return name.isEmpty() ? QStringLiteral("Document") : name;
}

// The text of key in a desktop entry's [Desktop Entry] group (or "" ).
QString DesktopEntryValue(const QString& path, const QString& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    bool inEntry = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith('['))
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.startsWith(key + '='))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}

// Whether the desktop entry path is an application that can be started.
bool Usable(const QString& path)
{
    if (!QFileInfo(path).isFile() || DesktopEntryValue(path, "Hidden").compare("true", Qt::CaseInsensitive) == 0)
        return false;
    const QString type = DesktopEntryValue(path, "Type");
    if (!type.isEmpty() && type != "Application")
        return false;
    const QString tryExec = DesktopEntryValue(path, "TryExec");
    return tryExec.isEmpty() || !QStandardPaths::findExecutable(tryExec).isEmpty()
        || (QFileInfo(tryExec).isAbsolute() && QFileInfo(tryExec).isExecutable());
}

// The desktop entry of id in the applications folders, "" when none.
QString FindDesktopEntry(const QStringList& folders, const QString& id)
{
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(id);
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

// A document saved at path that could not be opened, and why.
std::string NotOpenedText(const QString& path, const std::string& reason)
{
    return "Het document is bewaard als " + PathInMessage(path) + ", maar kon niet worden geopend: " + reason + ".";
}

// Why a failure that is not the program's own happened: out of memory, or what the system refused.
std::string ReasonOf(const std::exception& e)
{
    if (IsOutOfMemory(e))
        return SystemReason(ENOMEM);
    if (const auto* system = dynamic_cast<const std::system_error*>(&e)) {
        const std::error_category& category = system->code().category();
        if (category == std::generic_category() || category == std::system_category())
            return SystemReason(system->code().value());
        return "systeemfout " + std::to_string(system->code().value());
    }
    return e.what();
}

QStringList ListValue(const QString& value)
{
    return value.split(';', Qt::SkipEmptyParts);
}

} // namespace

namespace {

// The name of a document being saved: "." + process id + "-" + serial + ".docx.tmp".  The package
// writer puts its own file beside it first, that name + "." and six letters or digits.
bool IsPartialDocumentName(const std::string& name)
{
    static const QRegularExpression pattern(QStringLiteral("\\A\\.[0-9]+-[0-9]+\\.docx\\.tmp(\\.[A-Za-z0-9]{6})?\\z"));
    return pattern.match(QString::fromLatin1(name.data(), qsizetype(name.size()))).hasMatch();
}

} // namespace

void RemovePartialDocuments(const QString& Folder)
{
    const TFileHandle folder(::open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    TFileHandle copy(folder.Get() < 0 ? -1 : ::fcntl(folder.Get(), F_DUPFD_CLOEXEC, 0));
    DIR* stream = copy.Get() < 0 ? nullptr : ::fdopendir(copy.Get());
    if (!stream)
        return;
    copy.Release(); // the stream owns it now
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(stream))
        if (IsPartialDocumentName(entry->d_name))
            names.emplace_back(entry->d_name);
    ::closedir(stream);
    for (const std::string& name : names) {
        struct stat info {};
        if (::fstatat(folder.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)
            && info.st_uid == ::geteuid())
            ::unlinkat(folder.Get(), name.c_str(), 0);
    }
}

QString SaveNewDocument(const TDocumentWriter& Write, const QString& Folder, const QString& Base)
{
    // Written under a name of this process's own first, then given the document's name by a hard
    // link, which takes a free name only: a name taken meanwhile by another copy of the program
    // fails with EEXIST and the next one is tried.
    static std::atomic<unsigned> serial{0};
    const QDir folder(Folder);
    const QString temporary = folder.filePath(QString(".%1-%2.docx.tmp").arg(::getpid()).arg(serial++));
    const QByteArray temporaryName = QFile::encodeName(temporary);
    // Made the user's alone before any byte is written; the package writer, which writes a file of
    // its own beside it and renames that over it, gives its file the mode of this one.
    TFileHandle created(RetryOnInterrupt([&] {
        return ::open(temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    }));
    if (created.Get() < 0)
        throw Exception("Het bestand " + PathInMessage(temporary) + " kan niet worden gemaakt");
    created.Close();
    struct TRemove {
        const QByteArray& name;
        ~TRemove() { ::unlink(name.constData()); }
    } remove{temporaryName};
    Write(temporary);
    if (::chmod(temporaryName.constData(), 0600) != 0)
        throw Exception("Het bestand " + PathInMessage(temporary) + " kan niet worden afgeschermd");
    for (int n = 1; n <= 10000; ++n) {
        const QString path = folder.filePath(n == 1 ? Base + ".docx" : Base + " (" + QString::number(n) + ").docx");
        if (::link(temporaryName.constData(), QFile::encodeName(path).constData()) == 0)
            return path;
        if (errno != EEXIST)
            throw Exception("Het bestand " + PathInMessage(path) + " kan niet worden gemaakt");
    }
    throw Exception("Het bestand " + PathInMessage(folder.filePath(Base + ".docx")) + " kan niet worden gemaakt");
}

bool OpenWithDesktop(const QString& Path)
{
    // gio returns once the application was started; xdg-open without a desktop of its own waits
    // for the application and returns only a failure to start it early.  Where gio finds no
    // application (a desktop without the cache of its applications' types), xdg-open still may.
    const struct {
        const char* program;
        QStringList arguments;
        int waitMs;
    } openers[] = {{"gio", {"open", Path}, 10000}, {"xdg-open", {Path}, 3000}};
    for (const auto& opener : openers) {
        const QString program = QStandardPaths::findExecutable(opener.program);
        if (!program.isEmpty() && StartedByOpener(program, opener.arguments, opener.waitMs))
            return true;
    }
    return false;
}

bool StartedByOpener(const QString& Program, const QStringList& Arguments, int WaitMs)
{
    auto* process = new QProcess;
    process->setProgram(Program);
    process->setArguments(Arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    if (process->waitForFinished(WaitMs)) {
        const bool started = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        delete process;
        return started;
    }
    // Still running: the opener runs the application in its place.  It is left to run; when the
    // program ends first, only the opener itself is stopped.
    process->setParent(QCoreApplication::instance());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return true;
}

bool DesktopHasDocxApplication()
{
    const QString mime = "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
    const QStringList applications = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);

    // mimeapps.list: the user's and the system's configuration first, then the applications folders.
    QStringList lists;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists << QDir(folder).filePath("mimeapps.list");
    for (const QString& folder : applications)
        lists << QDir(folder).filePath("mimeapps.list");
    std::set<QString> removed;
    for (const QString& list : lists) {
        QFile file(list);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QString group;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.startsWith('[')) {
                group = line;
                continue;
            }
            if (!line.startsWith(mime + '='))
                continue;
            for (const QString& id : ListValue(line.mid(mime.size() + 1))) {
                if (group == "[Removed Associations]")
                    removed.insert(id);
                else if ((group == "[Default Applications]" || group == "[Added Associations]") && !removed.count(id)
                         && Usable(FindDesktopEntry(applications, id)))
                    return true;
            }
        }
    }

    // Desktop entries that list the type; an entry of a earlier folder hides one of the same name.
    std::set<QString> seen;
    for (const QString& folder : applications) {
        for (const QFileInfo& entry : QDir(folder).entryInfoList({"*.desktop"}, QDir::Files)) {
            if (!seen.insert(entry.fileName()).second || removed.count(entry.fileName()))
                continue;
            if (ListValue(DesktopEntryValue(entry.filePath(), "MimeType")).contains(mime) && Usable(entry.filePath()))
                return true;
        }
    }
    return false;
}

namespace {

// Merges build documents of up to some hundreds of MB and free them when they are closed.  glibc
// hands the top of its heap back to the system once a freed stretch there passes its trim
// threshold (64 MB at most by its own adjustment), and the next merge then faults all of that
// memory in anew.  So the heap keeps up to 512 MB for it, and blocks under 32 MB (where glibc's
// own adjustment stops) come from the heap.
void KeepHeapForMerges()
{
#ifdef __GLIBC__
    static const bool kept = [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 512 << 20);
        return true;
    }();
    (void)kept;
#endif
}

} // namespace

TWordProcessor::TWordProcessor(TDocumentOpener Opener) : opener_(std::move(Opener)) { KeepHeapForMerges(); }

void TWordProcessor::SetWindowState(int State) { windowState_ = State; }

void TWordProcessor::SetVisible(bool Visible)
{
    visible_ = Visible;
    if (!Visible)
        return;
    // Every document is tried; the failures are told together at the end.
    std::string failures;
    const auto fail = [&failures](const std::string& message) { failures += (failures.empty() ? "" : "\r") + message; };
    for (const auto& doc : documents_) {
        if (!doc->IsNew || doc->Shown)
            continue;
        try {
            const QString path = SaveNewDocument([&](const QString& to) { doc->Save(to); }, PrivateTempFolder(), SafeFileName(doc->Caption));
            doc->Path = path;
            doc->Shown = true;
            // The user's word processor holds it now, whether or not it could be opened.
            doc->Release();
            if (!opener_(path))
                fail(NotOpenedText(path, "er kon geen programma voor .docx-documenten worden gestart"));
        } catch (const Exception& e) {
            fail(e.Message);
        } catch (const std::exception& e) {
            fail(doc->Shown ? NotOpenedText(doc->Path, ReasonOf(e))
                            : "Het document " + doc->Caption + " kan niet worden getoond: " + ReasonOf(e));
        }
    }
    if (!failures.empty())
        throw Exception(failures);
}

void TWordProcessor::Activate() { ++activations_; }

int TWordProcessor::DocumentsCount() { return static_cast<int>(documents_.size()); }

TWordDocument& TWordProcessor::Item(int Index)
{
    if (Index < 1 || Index > DocumentsCount())
        throw Exception(NoMemberText);
    return *documents_[static_cast<std::size_t>(Index - 1)];
}

TWordDocument& TWordProcessor::Document(int Index) { return Item(Index); }

TWordDocument& TWordProcessor::Active()
{
    if (!active_)
        throw Exception(NoDocumentText);
    return *active_;
}

std::string TWordProcessor::DocumentName(int Index) { return Item(Index).Name; }

void TWordProcessor::CloseDocument(int Index, int SaveChanges)
{
    if (SaveChanges != wdDoNotSaveChanges)
        NotSupported("SaveChanges");
    TWordDocument* doc = &Item(Index);
    documents_.erase(documents_.begin() + (Index - 1));
    if (active_ == doc)
        active_ = documents_.empty() ? nullptr : documents_.back().get();
}

void TWordProcessor::ActivateDocument(int Index) { active_ = &Item(Index); }

void TWordProcessor::OpenDocument(const std::string& FileName)
{
    const QString path = QFile::decodeName(QByteArray::fromStdString(FileName));
    const QFileInfo info(path);
    if (!info.isFile())
        throw Exception("Dit bestand kan niet worden gevonden. (" + PathInMessage(path) + ")");
    for (const auto& doc : documents_)
        if (!doc->IsNew && QFileInfo(doc->Path).canonicalFilePath() == info.canonicalFilePath()) {
            active_ = doc.get();
            return;
        }
    documents_.push_back(TWordDocument::Open(path));
    active_ = documents_.back().get();
}

void TWordProcessor::Unprotect(const std::string& Password) { Active().Unprotect(Password); }

void TWordProcessor::Protect(int Type) { Active().Protect(Type); }

void TWordProcessor::OpenDataSource(const TOpenDataSourceArgs& Args)
{
    TWordDocument& doc = Active();
    doc.MailMerge.HasDataSource = false;
    doc.MailMerge.Data = dataSource_.Run(Args.Connection, Args.SQLStatement + Args.SQLStatement1);
    doc.MailMerge.HasDataSource = true;
}

void TWordProcessor::SetMailMergeDestination(int Destination) { Active().MailMerge.Destination = Destination; }
void TWordProcessor::SetMailAsAttachment(bool Value) { Active().MailMerge.MailAsAttachment = Value; }
void TWordProcessor::SetMailAddressFieldName(const std::string& Value) { Active().MailMerge.MailAddressFieldName = Value; }
void TWordProcessor::SetMailSubject(const std::string& Value) { Active().MailMerge.MailSubject = Value; }
void TWordProcessor::SetSuppressBlankLines(bool Value) { Active().MailMerge.SuppressBlankLines = Value; }
void TWordProcessor::SetFirstRecord(int Record) { Active().MailMerge.FirstRecord = Record; }
void TWordProcessor::SetLastRecord(int Record) { Active().MailMerge.LastRecord = Record; }

void TWordProcessor::ExecuteMailMerge(bool)
{
    TWordDocument& main = Active();
    const TMailMergeSettings& settings = main.MailMerge;
    if (!settings.HasDataSource)
        throw Exception(NotMainDocumentText);
    if (settings.Destination != wdSendToNewDocument)
        NotSupported("Destination");

    // The merged documents not shown yet share one room, so that a merge per candidate cannot
    // exhaust memory either.
    TMergeOptions options{settings.FirstRecord, settings.LastRecord, settings.SuppressBlankLines};
    for (const auto& doc : documents_)
        if (doc->IsNew && !doc->Shown) {
            options.Room.Bytes -= std::min(options.Room.Bytes, doc->Merged.Bytes);
            options.Room.Nodes -= std::min(options.Room.Nodes, doc->Merged.Nodes);
        }
    pugi::xml_document merged;
    TMergedSize size;
    TMergedLayout layout;
    TWordPackage package = main.OtherParts();
    if (MergeDocument(main.Main(), settings.Data, options, merged, &size, &layout, &package) == 0)
        throw ENoRecords();

    const std::string mainPart = package.MainPartName();
    package.SetContentType(mainPart, DocumentContentType);
    const std::string settingsPart = package.RelatedPartName("settings");
    if (!settingsPart.empty() && package.HasPart(settingsPart)) {
        pugi::xml_document xml;
        ParseXmlPart(xml, package.Part(settingsPart), settingsPart);
        xml.document_element().remove_child("w:mailMerge");
        package.SetPart(settingsPart, SaveXmlPart(xml));
    }
    documents_.push_back(std::make_unique<TWordDocument>("Standaardbrieven" + std::to_string(++merged_), std::move(package),
                                                         std::move(merged)));
    documents_.back()->Merged = size;
    documents_.back()->SetMergedLayout(std::move(layout));
    active_ = documents_.back().get();
    active_->SelectEnd();
}

std::string TWordProcessor::ActiveWindowCaption() { return Active().Caption; }

void TWordProcessor::SetActiveWindowCaption(const std::string& Caption) { Active().Caption = Caption; }

void TWordProcessor::FindClearFormatting() { Active(); }

void TWordProcessor::FindExecute(const TFindArgs& Args)
{
    if (Args.MatchWildcards || Args.MatchSoundsLike || Args.MatchAllWordForms || Args.MatchWholeWord || Args.Format)
        NotSupported("Find");
    if (Args.Replace != wdReplaceNone)
        NotSupported("Replace");
    found_ = Active().Find(Args.FindText, Args.MatchCase, Args.Forward, Args.Wrap == wdFindContinue);
}

bool TWordProcessor::FindFound() { return found_; }

void TWordProcessor::AddFormField(int Type)
{
    if (Type != wdFieldFormTextInput)
        NotSupported("Type");
    Active().AddTextFormField();
}

void TWordProcessor::HomeKey(int Unit)
{
    if (Unit != wdStory)
        NotSupported("Unit");
    Active().Select(0, 0);
}

TWordApplication* TWordConnection::Connect()
{
    if (!HasDocxApplication())
        return nullptr;
    if (!running_)
        running_ = std::make_unique<TWordProcessor>([this](const QString& path) { return Opener(path); });
    return running_.get();
}
