#include "Anchors.h"

#include <QEvent>
#include <QWidget>

namespace {

constexpr const char* kDistance = "anchorRightDistance";
constexpr const char* kName = "rightAnchors";

// One per parent: moves the anchored children on every resize.
class RightAnchors : public QObject {
public:
    explicit RightAnchors(QWidget* parent) : QObject(parent)
    {
        setObjectName(kName);
        parent->installEventFilter(this);
    }

    static void Place(QWidget* child)
    {
        const QWidget* parent = child->parentWidget();
        child->move(parent->width() - child->property(kDistance).toInt(), child->y());
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            for (QObject* object : watched->children())
                if (auto* child = qobject_cast<QWidget*>(object); child && child->property(kDistance).isValid())
                    Place(child);
        return false;
    }
};

} // namespace

void AnchorRight(QWidget* child, int designParentWidth)
{
    QWidget* parent = child->parentWidget();
    if (!parent->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly))
        new RightAnchors(parent);
    child->setProperty(kDistance, designParentWidth - child->x());
    RightAnchors::Place(child);
}
