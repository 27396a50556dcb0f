#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Key names are translated in the context "QShortcut"; anything else goes on to Qt's translation.
class TKeyNameTranslator final : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override
    {
        if (!context || !sourceText || std::string_view(context) != "QShortcut")
            return {};
        const std::string_view name = DutchKeyName(sourceText);
        return QString::fromLatin1(name.data(), qsizetype(name.size()));
    }
};

} // namespace

std::string_view DutchKeyName(std::string_view QtName)
{
    if (QtName == "Return")
        return "Enter";
    return {};
}

bool InstallQtTranslations()
{
    QCoreApplication* app = QCoreApplication::instance();
    auto* qt = new QTranslator(app);
    if (!qt->load(QLocale(QLocale::Dutch, QLocale::Netherlands), "qtbase", "_",
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    // The translator installed last is asked first.
    return QCoreApplication::installTranslator(qt) && QCoreApplication::installTranslator(new TKeyNameTranslator(app));
}
