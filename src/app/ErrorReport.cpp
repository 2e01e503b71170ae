#include "app/ErrorReport.h"

#include <QMessageBox>

QString errorReportMessage(const QString& description, const QString& location, int line)
{
    return description + "\r\n" + location + "at line " + QString::number(line) + "\r\r" +
           "Please email screenshot of this message to " + kSupportAddress;
}

void MessageBoxErrorReport::report(const QString& description, const QString& location, int line)
{
    QMessageBox box(QMessageBox::Warning, kErrorReportTitle,
                    errorReportMessage(description, location, line), QMessageBox::Ok, m_parent);
    box.exec();
}
