#include "app/appearance/SkinFramework.h"

#include "common/Failure.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QWidget>

void SkinFramework::loadSkin(const QString& path, const QString& variant)
{
    if (!variant.isEmpty())
        throw Failure(QStringLiteral("Skin variant \"%1\" not found").arg(variant));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot read skin file %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Failure(QStringLiteral("Cannot read skin file %1: %2").arg(path, file.errorString()));

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.contains(QChar(0)))
        throw Failure(QStringLiteral("Skin file %1 is not UTF-8 text").arg(path));
    if (text.trimmed().isEmpty())
        throw Failure(QStringLiteral("Skin file %1 is empty").arg(path));

    m_styleSheet = text;
    m_loaded = true;
}

void SkinFramework::applyTo(QWidget& window)
{
    if (!m_loaded)
        throw Failure(QStringLiteral("No skin loaded"));
    if (!(m_flags & Enabled))
        return;
    if (m_hoverEffects) {
        window.setAttribute(Qt::WA_Hover);
        for (QWidget* child : window.findChildren<QWidget*>())
            child->setAttribute(Qt::WA_Hover);
    }
    window.setStyleSheet(m_styleSheet);
    if (m_applyToDialogs)
        qApp->setStyleSheet(m_styleSheet);
}
