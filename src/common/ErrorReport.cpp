#include "common/ErrorReport.h"

#include "common/ApplicationId.h"

#include <QCoreApplication>

QString errorReportMessage(const QString& description, const QString& location, int line)
{
    return description + "\r\n" + location +
           QCoreApplication::translate("ErrorReport", "at line %1").arg(line) + "\r\r" +
           QCoreApplication::translate("ErrorReport",
                                       "Please email screenshot of this message to %1")
               .arg(kSupportAddress);
}

QString saveFailureNotice(const QString& description)
{
    return description + "\r\n\r\n" +
           QCoreApplication::translate(
               "ErrorReport",
               "The change takes effect now and is saved with the next save that works; without "
               "one it is gone when %1 starts again. This is not shown again until then.")
               .arg(kProductName);
}

QString errorReportTitle()
{
    return QCoreApplication::translate("ErrorReport", "Application Error");
}
