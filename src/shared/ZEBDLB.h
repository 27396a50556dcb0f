#pragma once
// TZEBDualListBox: a panel with two captioned lists, the source (items still to choose) and the
// destination (items chosen), and four arrow buttons between them that move the selected or all
// items across; selected items also move by dragging them onto the other list.  An item is a
// Windows-1252 text with an optional object that travels with it; the control never owns,
// compares or frees the objects.  AddItem adds no second item with a text the list already
// holds, letter case ignored.
//
//     dlb->SetCaptionSource("Beschikbaar:");
//     dlb->AddItem(SOURCE, "001=Jansen", record);
//     ...
//     for (int i = 0; i < dlb->DestinationItems().Count(); ++i) use(dlb->DestinationItems().Strings(i));
//
// Can be placed in .ui files as a promoted widget (header "ZEBDLB.h"); the properties below can
// be set there as dynamic properties, the fonts in code.  The panel's bevel is the frame's
// (raised by default).

#include "Graphics.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPoint>
#include <QToolButton>
#include <array>
#include <functional>
#include <string>

class QMimeData;

enum TListBoxID { SOURCE = 0, DESTINATION = 1 };

// The arrow a button shows; it points from the list that gives to the list that receives.
enum TDLBArrow { arLeft, arRight, arDoubleLeft, arDoubleRight };

struct TDLBBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TDLBBounds&) const = default;
};

// Where the parts of a panel of the given width stand.  Lists and Labels by TListBoxID; Buttons
// and Arrows for buttons 1 to 4 (index 0 to 3): the selected items to the destination, the
// selected to the source, all to the destination, all to the source.  The panel's height plays
// no part.
struct TDualListLayout {
    std::array<TDLBBounds, 2> Lists;
    std::array<TDLBBounds, 2> Labels;
    std::array<TDLBBounds, 4> Buttons;
    std::array<TDLBArrow, 4> Arrows{};
};
TDualListLayout DualListLayout(int PanelWidth, TListBoxID LeftListBox, int ButtonWidth, int ButtonHeight);

// Which of buttons 1 to 4 may be pressed: those that have items to move.
std::array<bool, 4> DualListButtonStates(int SourceCount, int DestinationCount);

// Whether two item texts are the same for the lists: letter case ignored, also for accented
// letters.
bool SameItemText(const std::string& A, const std::string& B);

// The resource of an arrow picture (":/images/BMP_ARR_LEFT.png" and so on).
QString ArrowResource(TDLBArrow Arrow);

// What a mouse move over a list means for dragging it.  A move with exactly the left button held
// and no shift key belongs to a drag of that list, which starts once the pointer is DragDistance
// (the system's drag distance, as a Manhattan length) away from where the button went down;
// other moves are the list's own.
enum TDLBMouseMove { mmListOwn, mmDragWaits, mmDragStarts };
TDLBMouseMove DragOnMouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers, int Distance,
                              int DragDistance);

// The mime type of a drag between the two lists.  Its data: the identity of the list dragged
// from (DragSourceId) on the first line, then the dragged texts, one a line.  The identity, not
// the drag's source object, decides where a drop is taken, so drops work the same whatever the
// platform's drag does.
inline constexpr const char* DLBMimeType = "application/x-zorvandel-dlb-items";

class TZEBDualListBox;

// One of the two lists.  A press, a move with the left button held and the drag events go to the
// handlers its panel binds.
class TZEBDLBListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TZEBDLBListBox(QWidget* parent = nullptr);

    std::function<bool(TZEBDLBListBox* Sender, QMouseEvent* Event)> OnMouseMove; // true: taken
    // Source: the identity of the list the dragged items come from; empty for other drags.
    std::function<bool(TZEBDLBListBox* Sender, const QString& Source)> OnDragOver; // whether accepted
    std::function<void(TZEBDLBListBox* Sender, const QString& Source)> OnDragDrop;

    // Drags the selected items with the mouse (returns when the drag is over).
    void BeginDrag();
    // The drag data of the selected items (the caller owns them).
    QMimeData* DragData() const;
    // This list's identity in drag data: the process and the list, unique while the list lives.
    QString DragSourceId() const;
    // The identity of the list drag data comes from; empty when the data are not a list's drag.
    static QString DragSourceOf(const QMimeData* Data);
    // Where the left button last went down.
    QPoint PressPosition() const { return pressPosition_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPoint pressPosition_;
};

class TZEBDLBLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// A speed button whose click first performs its move and then reaches the click's other handlers.
class TZEBDLBSpeedButton : public QToolButton {
    Q_OBJECT
public:
    using TMove = void (TZEBDualListBox::*)();
    TZEBDLBSpeedButton(TZEBDualListBox* owner, TMove AMove);
};

// The items of one list: texts with their objects, in the order the list shows them.  Adding
// here checks nothing and leaves the buttons as they are.
class TDLBItems {
public:
    explicit TDLBItems(QListWidget* list = nullptr) : list_(list) {}

    int Count() const;
    std::string Strings(int Index) const;
    void* Objects(int Index) const;
    // Returns the position the item got (a sorted list puts it in its place).
    int Add(const std::string& Text, void* Object = nullptr);
    void Delete(int Index);
    void Clear();
    // The first item with this text (SameItemText), or -1.
    int IndexOf(const std::string& Text) const;

private:
    QListWidgetItem* Item(int Index) const;
    QListWidget* list_;
};

class TZEBDualListBox : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int LeftListBox READ LeftListBoxValue WRITE SetLeftListBoxValue)
    Q_PROPERTY(bool Sorted READ Sorted WRITE SetSorted)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
    Q_PROPERTY(QString CaptionSource READ CaptionSourceText WRITE SetCaptionSourceText)
    Q_PROPERTY(QString CaptionDestination READ CaptionDestinationText WRITE SetCaptionDestinationText)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)

public:
    explicit TZEBDualListBox(QWidget* parent = nullptr);
    ~TZEBDualListBox() override;

    void AddItem(TListBoxID List, const std::string& Text, void* Object);
    void AddItem(TListBoxID List, const std::string& Text);
    void DeleteItem(TListBoxID List, int Index);
    bool Exists(TListBoxID List, const std::string& Text) const;

    TDLBItems& SourceItems() { return items_[SOURCE]; }
    TDLBItems& DestinationItems() { return items_[DESTINATION]; }

    void MoveSelectedToDestination();
    void MoveSelectedToSource();
    void MoveAllToDestination();
    void MoveAllToSource();

    TListBoxID LeftListBox() const { return leftListBox_; }
    void SetLeftListBox(TListBoxID value);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    const std::string& CaptionSource() const { return captionSource_; }
    void SetCaptionSource(const std::string& value);
    const std::string& CaptionDestination() const { return captionDestination_; }
    void SetCaptionDestination(const std::string& value);
    // The panel stays enabled; the lists and buttons follow this value.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    const TFont& ListBoxFont() const { return listBoxFont_; }
    void SetListBoxFont(const TFont& value);
    const TFont& CaptionFont() const { return captionFont_; }
    void SetCaptionFont(const TFont& value);

    TZEBDLBListBox* ListBox(TListBoxID List) const { return lists_[List]; }
    TZEBDLBLabel* Label(TListBoxID List) const { return labels_[List]; }
    // Buttons 1 to 4.
    TZEBDLBSpeedButton* Button(int Number) const { return buttons_[std::size_t(Number - 1)]; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    virtual bool ListBoxMouseMove(TZEBDLBListBox* Sender, QMouseEvent* Event);
    // A list takes a drag only from the other list.
    virtual bool ListBoxDragOver(TZEBDLBListBox* Sender, const QString& Source);
    virtual void ListBoxDragDrop(TZEBDLBListBox* Sender, const QString& Source);

private:
    TListBoxID Other(TListBoxID List) const { return List == SOURCE ? DESTINATION : SOURCE; }
    TListBoxID IdOf(const TZEBDLBListBox* list) const { return list == lists_[SOURCE] ? SOURCE : DESTINATION; }
    void MoveItem(TListBoxID From, int Index);
    void MoveSelected(TListBoxID From);
    void MoveAll(TListBoxID From);
    void UpdateButtons();
    void LayoutParts();
    void LaidOutForCurrentSize();
    void ApplyFonts();
    // Property forms for layouts.
    int LeftListBoxValue() const { return leftListBox_; }
    void SetLeftListBoxValue(int value) { SetLeftListBox(value == DESTINATION ? DESTINATION : SOURCE); }
    QString CaptionSourceText() const;
    void SetCaptionSourceText(const QString& value);
    QString CaptionDestinationText() const;
    void SetCaptionDestinationText(const QString& value);

    std::array<TZEBDLBListBox*, 2> lists_{};
    std::array<TZEBDLBLabel*, 2> labels_{};
    std::array<TZEBDLBSpeedButton*, 4> buttons_{};
    std::array<TDLBItems, 2> items_;
    TListBoxID leftListBox_ = SOURCE;
    bool sorted_ = false;
    bool multiSelect_ = true;
    bool enabled_ = true;
    std::string captionSource_;
    std::string captionDestination_;
    TFont listBoxFont_;
    TFont captionFont_;
    QSize laidOutSize_;
};

// Buttons 1 to 4, each with its move.
template <TZEBDLBSpeedButton::TMove Move>
class TZEBDLBMoveButton : public TZEBDLBSpeedButton {
public:
    explicit TZEBDLBMoveButton(TZEBDualListBox* owner) : TZEBDLBSpeedButton(owner, Move) {}
};
using TZEBDLBSpeedButton1 = TZEBDLBMoveButton<&TZEBDualListBox::MoveSelectedToDestination>;
using TZEBDLBSpeedButton2 = TZEBDLBMoveButton<&TZEBDualListBox::MoveSelectedToSource>;
using TZEBDLBSpeedButton3 = TZEBDLBMoveButton<&TZEBDualListBox::MoveAllToDestination>;
using TZEBDLBSpeedButton4 = TZEBDLBMoveButton<&TZEBDualListBox::MoveAllToSource>;
