#include "FailingCalls.h"

#include <QStringList>

#include <link.h>

namespace {

// The address sanitizer's runtime that this process loaded, if any.
QString SanitizerRuntime()
{
    QString found;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            const QString name = QString::fromLocal8Bit(info->dlpi_name);
            if (name.contains("/libasan.so"))
                *static_cast<QString*>(data) = name;
            return 0;
        },
        &found);
    return found;
}

} // namespace

QProcessEnvironment FailingCallsEnvironment(const QString& Folder, const QString& Faults,
                                            QProcessEnvironment Environment)
{
    QStringList preload;
    if (const QString runtime = SanitizerRuntime(); !runtime.isEmpty())
        preload << runtime;
    preload << ZORVANDEL_FAILING_CALLS;
    Environment.insert("LD_PRELOAD", preload.join(':'));
    Environment.insert("ZORVANDEL_FAIL_FOLDER", Folder);
    Environment.insert("ZORVANDEL_FAIL", Faults);
    return Environment;
}
