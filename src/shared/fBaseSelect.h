#pragma once
// A list screen with record commands: insert (Ins), edit (Enter), delete (Del) and view all go
// through Mutate (TMutateMode: 0 insert, 1 edit, 2 delete, 3 view); refresh (F5) reopens the data.

#include "fBaseMainSel.h"

// The record commands' components, taken from a loaded layout; the list screen with them holds them.
struct TBaseSelectComponents {
    QToolButton* sbInsert = nullptr;
    QToolButton* sbEdit = nullptr;
    QToolButton* sbDelete = nullptr;
    QToolButton* sbRefresh = nullptr;
    QToolButton* sbBekijken = nullptr;
    QAction* acInsert = nullptr;
    QAction* acEdit = nullptr;
    QAction* acDelete = nullptr;
    QAction* acBijwerken = nullptr;
    QAction* acBekijken = nullptr;

    template <class Ui>
    static TBaseSelectComponents From(const Ui& ui)
    {
        return {.sbInsert = ui.sbInsert,
                .sbEdit = ui.sbEdit,
                .sbDelete = ui.sbDelete,
                .sbRefresh = ui.sbRefresh,
                .sbBekijken = ui.sbBekijken,
                .acInsert = ui.acInsert,
                .acEdit = ui.acEdit,
                .acDelete = ui.acDelete,
                .acBijwerken = ui.acBijwerken,
                .acBekijken = ui.acBekijken};
    }
};

// The record commands' components in a loaded layout, beside those of the list screen.
struct TBaseSelectParts {
    TBaseMainSelParts MainSel;
    TBaseSelectComponents Select;

    template <class Ui>
    static TBaseSelectParts From(const Ui& ui)
    {
        return {TBaseMainSelParts::From(ui), TBaseSelectComponents::From(ui)};
    }
};

class TBaseSelect : public TBaseMainSel, public TBaseSelectComponents {
    Q_OBJECT
public:
    explicit TBaseSelect(QWidget* owner = nullptr);

    void EnableDisable() override;
    virtual void Mutate(int Mode);

protected:
    // As TBaseDialog's, for a layout that holds the record commands' components too.
    using LayoutLoader = std::function<TBaseSelectParts(QDialog* form)>;
    template <class Ui>
    static TBaseSelectParts LoadLayout(QDialog* form)
    {
        Ui ui;
        ui.setupUi(form);
        return TBaseSelectParts::From(ui);
    }
    TBaseSelect(QWidget* owner, const LayoutLoader& load);

    virtual void acInsertExecute();
    virtual void acEditExecute();
    virtual void acDeleteExecute();
    virtual void acBijwerkenExecute();
    virtual void acBekijkenExecute();
    virtual void dbgridSelectDoubleClick();

private:
    // parts keeps what load gave while the list screen is built.
    TBaseSelect(QWidget* owner, const LayoutLoader& load, TBaseSelectParts&& parts);
};
