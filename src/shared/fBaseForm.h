#pragma once
// Root of the program's working windows and its initialisation contract: the creator creates the
// window, runs Initialize (or a routine of the window's own that runs it first), and only then
// shows it.  FormCreate runs once, from TBaseForm::Create, else at the start of
// TBaseForm::Initialize or at the first show, whichever comes first.
//
// Form events go to virtual handlers bound once here (FormCreate, FormShow, FormActivate,
// FormResize, FormCloseQuery); a descendant that overrides one replaces the base handler, which
// then runs only when called explicitly.  A failure leaving a handler goes to the application's
// error report.  Esc presses the button marked with the dynamic property "Cancel", Enter the one
// marked "Default" (a focused push button takes Enter itself); the dialog's own Esc/Enter
// handling is not used.

#include "ModalResult.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

class QAbstractButton;
class QAction;
class QPushButton;

// The modes a record is opened in: by the record commands of a list screen (Mutate) and by the
// dialogs they open.
enum TMutateMode : int { mmInsert = 0, mmEdit = 1, mmDelete = 2, mmView = 3 };

class TBaseForm : public QDialog {
    Q_OBJECT
public:
    using enum TModalResult;

    explicit TBaseForm(QWidget* owner = nullptr);
    ~TBaseForm() override;

    // Creates a window and runs its FormCreate, as loading a window's layout did.
    //     auto dialog = TBaseForm::Create<TfrmExport>(this);
    //     dialog->Initialize();
    //     if (dialog->ShowModal() == TBaseForm::mrOk) ...
    template <class T, class... Args>
    static std::unique_ptr<T> Create(Args&&... args)
    {
        auto form = std::make_unique<T>(std::forward<Args>(args)...);
        form->RunFormCreate();
        return form;
    }

    virtual void Initialize();
    bool Initialized() const { return initialized_; }

    // Shows the window modally; the result is the modal result it closed with.
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    // A result other than mrNone ends a shown window with that result.
    void SetModalResult(int result);
    // As the close box: a modal window ends with mrCancel.
    void Close();

    int HelpContext() const;
    void SetHelpContext(int context);

    void done(int result) override;
    void reject() override;

protected:
    virtual void FormCreate() {}
    virtual void FormShow();
    virtual void FormActivate() {}
    virtual void FormResize() {}
    virtual void FormCloseQuery(bool& /*canClose*/) {}

    // Runs a handler as the message loop does (see RunReported).
    static void Handle(const std::function<void()>& handler);

    // A click on button sets the modal result to result, runs handler, and ends the window when
    // the result is still set afterwards (a handler keeps the window open with mrNone).
    void BindModalButton(QAbstractButton* button, int result, std::function<void()> handler);

    // Binds an action's trigger to a handler.
    void BindAction(QAction* action, std::function<void()> handler);

    // A fixed-size window without maximise box, at its current size.
    void SetDialogBorder();
    // The program's main window: a normal desktop window (its own taskbar entry, minimise,
    // maximise and close box) rather than a dialog.
    void SetMainWindowBorder();

    // Fills panel with the top-level widget of a descendant's layout: the layout's caption
    // becomes the window's caption and its size the window's client size.
    template <class Ui>
    QWidget* SetupBodyIn(QWidget* panel, Ui& ui)
    {
        auto* body = new QWidget(panel);
        ui.setupUi(body);
        return PlaceBody(panel, body);
    }

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void RunFormCreate();
    QWidget* PlaceBody(QWidget* panel, QWidget* body);
    QPushButton* MarkedButton(const char* mark) const;

    bool initialized_ = false;
    bool created_ = false;
    bool placed_ = false;
    bool activationIsReturn_ = false;
    int modalResult_ = mrNone;
};
