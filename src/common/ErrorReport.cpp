#include "common/ErrorReport.h"

QString errorReportMessage(const QString& description, const QString& location, int line)
{
    return description + "\r\n" + location + "at line " + QString::number(line) + "\r\r" +
           "Please email screenshot of this message to " + kSupportAddress;
}
