#pragma once
// A list screen with record commands: insert (Ins), edit (Enter), delete (Del) and view all go
// through Mutate (TMutateMode: 0 insert, 1 edit, 2 delete, 3 view); refresh (F5) reopens the data.

#include "fBaseMainSel.h"

class TBaseSelect : public TBaseMainSel {
    Q_OBJECT
public:
    explicit TBaseSelect(QWidget* owner = nullptr);

    void EnableDisable() override;
    virtual void Mutate(int Mode);

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

protected:
    TBaseSelect(QWidget* owner, LayoutLoader load);

    virtual void acInsertExecute();
    virtual void acEditExecute();
    virtual void acDeleteExecute();
    virtual void acBijwerkenExecute();
    virtual void acBekijkenExecute();
    virtual void dbgridSelectDoubleClick();
};
