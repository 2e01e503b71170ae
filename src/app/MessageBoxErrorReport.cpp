#include "app/MessageBoxErrorReport.h"

#include <QMessageBox>

void MessageBoxErrorReport::report(const QString& description, const QString& location, int line)
{
    show(errorReportMessage(description, location, line));
}

void MessageBoxErrorReport::notify(const QString& message)
{
    show(message);
}

void MessageBoxErrorReport::show(const QString& text)
{
    if (m_stopped)
        return;
    QMessageBox box(QMessageBox::Warning, errorReportTitle(), text, QMessageBox::Ok, m_parent);
    m_open.append(&box);
    box.exec();
    m_open.removeAll(&box);
}

void MessageBoxErrorReport::stop()
{
    m_stopped = true;
    for (const QPointer<QMessageBox>& box : m_open)
        if (box)
            box->done(QMessageBox::Ok);
}
