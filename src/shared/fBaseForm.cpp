#include "fBaseForm.h"

#include "AppServices.h"
#include "Exceptions.h"
#include "ScreenCenter.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QShowEvent>

TBaseForm::TBaseForm(QWidget* owner) : QDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    resize(696, 480);
}

TBaseForm::~TBaseForm() = default;

void TBaseForm::RunFormCreate()
{
    if (created_)
        return;
    created_ = true;
    Handle([this] { FormCreate(); });
}

void TBaseForm::Initialize()
{
    Guarded("TBaseForm.Initialize: ", [this] {
        RunFormCreate();
        initialized_ = true;
    });
}

void TBaseForm::FormShow()
{
    if (!initialized_)
        throw Exception("Het scherm is niet initialized.");
}

int TBaseForm::ShowModal()
{
    modalResult_ = mrNone;
    return exec();
}

void TBaseForm::SetModalResult(int result)
{
    modalResult_ = result;
    if (result != mrNone && isVisible())
        done(result);
}

void TBaseForm::Close()
{
    close();
}

int TBaseForm::HelpContext() const
{
    return property("HelpContext").toInt();
}

void TBaseForm::SetHelpContext(int context)
{
    setProperty("HelpContext", context);
}

void TBaseForm::done(int result)
{
    modalResult_ = result;
    QDialog::done(result);
}

void TBaseForm::reject()
{
    done(mrCancel);
}

void TBaseForm::Handle(const std::function<void()>& handler)
{
    RunReported(handler);
}

void TBaseForm::BindModalButton(QAbstractButton* button, int result, std::function<void()> handler)
{
    connect(button, &QAbstractButton::clicked, this, [this, result, handler = std::move(handler)] {
        modalResult_ = result;
        Handle(handler);
        if (modalResult_ != mrNone && isVisible())
            done(modalResult_);
    });
}

void TBaseForm::BindAction(QAction* action, std::function<void()> handler)
{
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { Handle(handler); });
}

void TBaseForm::SetDialogBorder()
{
    setFixedSize(size());
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

void TBaseForm::SetMainWindowBorder()
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
}

QWidget* TBaseForm::PlaceBody(QWidget* panel, QWidget* body)
{
    if (!body->windowTitle().isEmpty())
        setWindowTitle(body->windowTitle());
    resize(body->size());
    panel->layout()->addWidget(body);
    return body;
}

QPushButton* TBaseForm::MarkedButton(const char* mark) const
{
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->property(mark).toBool() && button->isVisible() && button->isEnabled())
            return button;
    return nullptr;
}

bool TBaseForm::event(QEvent* event)
{
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) {
        // Coming back from a modal window that this one opened, or from another program, is no
        // new activation.
        if (activationIsReturn_)
            activationIsReturn_ = false;
        else
            Handle([this] { FormActivate(); });
    } else if (event->type() == QEvent::WindowDeactivate) {
        QWidget* modal = QApplication::activeModalWidget();
        const bool toOwnModal = modal && modal != this && modal->isVisible();
        const bool toOtherProgram = QApplication::activeWindow() == nullptr;
        activationIsReturn_ = toOwnModal || toOtherProgram;
    }
    return result;
}

void TBaseForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    activationIsReturn_ = false; // a window shown anew is activated anew
    RunFormCreate();
    if (!placed_) {
        placed_ = true;
        CenterOnScreen(this);
    }
    Handle([this] { FormShow(); });
}

void TBaseForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Handle([this] { FormResize(); });
}

void TBaseForm::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    Handle([&] { FormCloseQuery(canClose); });
    if (canClose)
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TBaseForm::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    QPushButton* button = nullptr;
    if (plain && event->key() == Qt::Key_Escape)
        button = MarkedButton("Cancel");
    else if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter))
        button = MarkedButton("Default");
    if (button)
        button->click();
    else
        QWidget::keyPressEvent(event);
}
