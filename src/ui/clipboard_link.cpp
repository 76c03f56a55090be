#include "ui/clipboard_link.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace pv {

void QtDdeClipboard::SetLink(const std::string& link, const std::string& text) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kLinkMimeType),
                  QByteArray(link.data(), static_cast<qsizetype>(link.size())));
    data->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    QGuiApplication::clipboard()->setMimeData(data);
}

bool QtDdeClipboard::GetLink(std::string& link) {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(QString::fromLatin1(kLinkMimeType)) || !data->hasText())
        return false;
    QByteArray bytes = data->data(QString::fromLatin1(kLinkMimeType));
    // Some producers end the link with a NUL, as the original format did.
    while (!bytes.isEmpty() && bytes.endsWith('\0'))
        bytes.chop(1);
    link.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

} // namespace pv
