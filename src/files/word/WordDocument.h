#pragma once
// One open document of the word processor: its package, its main text and settings as XML, its
// window caption and selection, and its mail-merge settings.  A document shown to the user keeps
// only its name, caption, path and flags: what needs its content then fails with ShownText.
//
// The selection is a range of the main story's text (the text of the body's paragraphs, each
// ending in a paragraph mark, tabs and other marks counting one character each), as byte offsets
// of that text in UTF-8.

#include "MailMerge.h"
#include "RecordSet.h"
#include "WordApplication.h"
#include "WordPackage.h"

#include <QString>
#include <climits>
#include <memory>
#include <string>

// The word processor's own messages.
extern const char* const NotProtectedText;
extern const char* const AlreadyProtectedText;
extern const char* const WrongPasswordText;
extern const char* const ShownText;

struct TMailMergeSettings {
    bool HasDataSource = false;
    TRecordSet Data;
    int Destination = wdSendToNewDocument;
    bool MailAsAttachment = false;
    std::string MailAddressFieldName;
    std::string MailSubject;
    bool SuppressBlankLines = false;
    int FirstRecord = 1;
    int LastRecord = INT_MAX;
};

struct TStoryIndex;

class TWordDocument {
public:
    // Opens the package at Path; throws Exception when it is no word-processing package.
    static std::unique_ptr<TWordDocument> Open(const QString& Path);
    // A new, unsaved document: MainXml as the main part of Package.
    TWordDocument(std::string Name, TWordPackage Package, pugi::xml_document MainXml);
    ~TWordDocument();

    std::string Name;    // Windows-1252; the file name for a document opened from a file
    std::string Caption; // its window's caption, at first its name
    QString Path;        // the file it came from or was saved to
    bool IsNew = false;  // made by a merge, never saved
    bool Shown = false;  // saved and handed to the desktop (see Release)
    TMergedSize Merged;  // the size of what the merge made
    TMailMergeSettings MailMerge;

    pugi::xml_document& Main(); // for changes: what the selection and the merge knew is read again
    // What the merge that made Main knew of its layout, kept while only this class changes it.
    void SetMergedLayout(TMergedLayout Layout) { layout_ = std::move(Layout); }
    const pugi::xml_document& Main() const;
    // The package with the current XML written into it.
    TWordPackage Package() const;
    // Writes the same package to Path, its main part written while it is deflated (see
    // TWordPackage::Save), not held whole.
    void Save(const QString& Path) const;
    // The same without the main part's text.
    TWordPackage OtherParts() const;
    // Frees the package, the XML and what was known of them, once the document was saved and
    // shown: the user's word processor holds it now.
    void Release();

    // Protection (word/settings.xml).  Unprotect fails with NotProtectedText when the document is
    // not protected and with WrongPasswordText when it carries a password.  Protect fails with
    // AlreadyProtectedText on a protected document; protection for form fields also switches the
    // sections' own form protection back on.
    bool IsProtected() const;
    void Unprotect(const std::string& Password);
    void Protect(int Type);

    // The main story's text, see above.
    std::string StoryText() const;
    std::size_t SelectionStart() const;
    std::size_t SelectionEnd() const;
    void Select(std::size_t Start, std::size_t End); // clamped to the story
    void SelectEnd();

    // Looks for Text from the selection on (Forward) or before it; with Wrap it goes on at the
    // other end.  A hit becomes the selection.
    bool Find(const std::string& Text, bool MatchCase, bool Forward, bool Wrap);
    // Puts a text form field in place of the selection; the selection then follows the field.
    void AddTextFormField();

private:
    TWordDocument() = default;
    pugi::xml_node Body() const;
    pugi::xml_node Settings(bool create);
    TStoryIndex& Story() const;
    void ReadSettings();
    void ResolveSelection() const;
    void RequireContent() const;

    TWordPackage package_;
    std::string mainPart_;
    std::string settingsPart_;
    pugi::xml_document main_;
    std::size_t mainBytes_ = 0; // the main part's size as read
    pugi::xml_document settings_;
    mutable std::size_t selStart_ = 0;
    mutable std::size_t selEnd_ = 0;
    mutable bool selAtEnd_ = false;
    mutable std::unique_ptr<TStoryIndex> story_;
    TMergedLayout layout_;
    bool released_ = false;
};
