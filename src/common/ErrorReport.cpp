#include "common/ErrorReport.h"

#include "common/ApplicationId.h"

QString errorReportMessage(const QString& description, const QString& location, int line)
{
    return description + "\r\n" + location + "at line " + QString::number(line) + "\r\r" +
           "Please email screenshot of this message to " + kSupportAddress;
}

QString saveFailureNotice(const QString& description)
{
    return description + "\r\n\r\n" +
           "The change takes effect now and is saved with the next save that works; without "
           "one it is gone when " +
           kProductName + " starts again. This is not shown again until then.";
}
