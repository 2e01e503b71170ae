#include "app/MessageBoxErrorReport.h"

#include <QMessageBox>

void MessageBoxErrorReport::report(const QString& description, const QString& location, int line)
{
    QMessageBox box(QMessageBox::Warning, kErrorReportTitle,
                    errorReportMessage(description, location, line), QMessageBox::Ok, m_parent);
    box.exec();
}
