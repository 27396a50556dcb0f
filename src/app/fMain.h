#pragma once
// The main window: it owns the party and candidate lists for its whole life, shows the candidates
// in grdKandidaten and carries every command as an action (menu, shortcut, some a toolbar button).
//
// It is created and shown by main(), not by a command: its own FormCreate, FormShow and
// FormActivate replace the base handlers, and Initialize runs on its first activation.

#include "LazyFileDialog.h"
#include "WordProcessor.h"
#include "fBaseSelect.h"
#include "uZVGlobals.h"

#include <QString>
#include <memory>
#include <string>
#include <vector>

class JpegLabel;
class QFileDialog;
class QLabel;
class QMenuBar;
class TfrmSplashMessage;
class TZEBSortGrid;
namespace Ui {
class TfrmMain;
}

// The numbers in use as the candidate dialog wants them: each KandidaatNr padded on the left with
// "0" to 10 characters, sorted, without duplicates.
std::vector<std::string> KandidaatNrList(const TKandidaatList& List);

// True when the grid shows no candidate: at most the title row and one data row, whose trimmed
// number cell is no integer or is 0.
bool GridShowsNoCandidate(const TZEBSortGrid& Grid);

// Which commands are enabled, from whether a party record exists, whether the grid is empty and
// how many candidates the list holds.
struct TMainCommands {
    bool Insert, Edit, Delete, PartijGeg, ImportCSVTXT, Export, FileSave, Formulieren;
};
TMainCommands EnabledCommands(bool HasPartij, bool GridEmpty, int Kandidaten);

// Left edge that puts a child of the given width 7 pixels from the right edge of its panel.
int LogoLeft(int PanelWidth, int OwnWidth);

class TfrmMain : public TBaseSelect {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* owner = nullptr);
    ~TfrmMain() override;

    void Initialize() override;
    void EnableDisable() override;
    void Mutate(int Mode) override;

    bool GridIsEmpty() const;
    void RealignItems();

    // The list file: show their own failures; SaveLijst is true when every record was written.
    bool SaveLijst(const QString& FileName);
    void OpenLijst(const QString& FileName);

    // File commands.  FileSaveAs is true when a list file was written.
    bool FileSaveAs();
    void FileOpen();
    void FileNew();
    void OpenPartijForm(TMutateMode Mode); // insert (a new list) or edit
    void OpenExportForm();
    // Sets FormsDir to the program folder + "FORMS/" and shows the forms catalogue on it, which
    // starts its forms with Word.
    void OpenFormulieren();
    // The H1 candidate-list report, built and previewed (acAfdrukken).
    void PrintKandidatenlijstH1();

    // Candidate grid and commands.
    void UpdateLijstGegevens();
    void UpdateNrList(std::vector<std::string>& List);
    void OpenKandidaatForm(TMutateMode Mode); // insert, edit or delete

    TfrmSplashMessage* Splash() const { return splash_; }

    QMenuBar* MainMenu = nullptr;
    TZEBSortGrid* grdKandidaten = nullptr;
    QToolButton* sbFormulieren = nullptr;
    QFrame* bvLogo = nullptr;
    JpegLabel* imgLogo = nullptr;
    QLabel* lblQuandorMode = nullptr;
    QAction* acFileNew = nullptr;
    QAction* acFileOpen = nullptr;
    QAction* acImportCSVTXT = nullptr;
    QAction* acFileSave = nullptr;
    QAction* acPartijGeg = nullptr;
    QAction* acExport = nullptr;
    QAction* acFormulieren = nullptr;
    QAction* acAbout = nullptr;
    QAction* acAfdrukken = nullptr;
    // Built on first use.
    TLazyFileDialog OpenDialog;
    TLazyFileDialog SaveDialog;
    // The word processor that the forms requests of this window share.
    TWordConnection Word;

protected:
    void FormCreate() override;
    void FormShow() override;
    void FormActivate() override;
    void FormResize() override;
    void FormCloseQuery(bool& CanClose) override;

    void acExitExecute() override;
    void acHelpExecute() override;
    void acInsertExecute() override;
    void acEditExecute() override;
    void acDeleteExecute() override;
    void acBijwerkenExecute() override;
    virtual void acAboutExecute();
    virtual void acImportCSVTXTExecute();
    virtual void grdKandidatenDblClick();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ui is the layout, set up by the base while it is built.
    TfrmMain(QWidget* owner, Ui::TfrmMain&& ui);
    void SetupGrid();
    void DeleteSelectedRow();
    void SetGlyphs();

    TfrmSplashMessage* splash_ = nullptr;
    std::unique_ptr<TZVLists> lists_;
};
