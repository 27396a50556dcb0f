#include "LazyIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <memory>

namespace {

class TLazyIconEngine : public QIconEngine {
public:
    explicit TLazyIconEngine(std::shared_ptr<std::function<QIcon()>> make) : make_(std::move(make)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().pixmap(size, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return Icon().availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new TLazyIconEngine(*this); }

private:
    const QIcon& Icon()
    {
        if (!made_) {
            icon_ = (*make_)();
            made_ = true;
        }
        return icon_;
    }

    std::shared_ptr<std::function<QIcon()>> make_;
    QIcon icon_;
    bool made_ = false;
};

} // namespace

QIcon LazyIcon(std::function<QIcon()> make)
{
    return QIcon(new TLazyIconEngine(std::make_shared<std::function<QIcon()>>(std::move(make))));
}
