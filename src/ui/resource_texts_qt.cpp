#include "ui/resource_texts_qt.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVariant>
#include <QWidget>
#include <algorithm>

#include "text/resource_texts.h"
#include "text/strings.h"

namespace pv::ui {

namespace {

constexpr const char* kTag = "tag";
constexpr const char* kTooltipTag = "tooltipTag";
constexpr const char* kTabTags = "tabTags";
constexpr const char* kHeaderTags = "headerTags";

// The text a tag names, if it names one the table has.
bool Lookup(const QVariant& tag, QString& out) {
    if (!tag.isValid()) return false;
    std::string caption;
    if (!ApplyResourceText(caption, tag.toString().toStdString())) return false;
    out = QString::fromUtf8(caption);
    return true;
}

bool Lookup(const QString& tag, QString& out) {
    return Lookup(QVariant(tag), out);
}

void ApplyTooltip(QWidget* w) {
    QString text;
    if (Lookup(w->property(kTooltipTag), text)) w->setToolTip(text);
}

} // namespace

QString Tx(int n) {
    return QString::fromUtf8(Text(n));
}

QString TxPlain(int n) {
    QString t = Tx(n);
    t.remove(QLatin1Char('&'));
    return t;
}

QString FromBytes(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
    QByteArray b = text.toLatin1();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string ToPath(const QString& path) {
    QByteArray b = QFile::encodeName(path);
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

void SetTag(QObject* object, int number) {
    object->setProperty(kTag, number);
    // Menus and actions carry the number as their caption until applied.
    if (auto* action = qobject_cast<QAction*>(object)) action->setText(QString::number(number));
    if (auto* menu = qobject_cast<QMenu*>(object)) menu->setTitle(QString::number(number));
}

void SetTooltipTag(QWidget* widget, int number) {
    widget->setProperty(kTooltipTag, number);
}

QFont InterfaceQFont() {
    InterfaceFont wanted = CurrentInterfaceFont();
    QFont font = QApplication::font();
    const QString family = QString::fromUtf8(wanted.Name);
    // Designs name fonts of another desktop; only a family the system really
    // has is taken, so the text never lands in a substitute bitmap font.
    if (!family.isEmpty() && QFontDatabase::families().contains(family, Qt::CaseInsensitive))
        font.setFamily(family);
    // The designs' 8 points assume a 96 DPI Windows desktop; the desktop's own
    // size is never made smaller than that.
    font.setPointSizeF(std::max<qreal>(wanted.PointSize, font.pointSizeF()));
    font.setBold(wanted.Bold);
    return font;
}

void ApplyResourceTexts(QWidget* window) {
    if (!window) return;
    QString text;
    if (Lookup(window->property(kTag), text)) window->setWindowTitle(text);
    const QFont font = InterfaceQFont();
    window->setFont(font);

    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (auto* menu = qobject_cast<QMenu*>(w)) {
            if (Lookup(menu->title(), text)) menu->setTitle(text);
            continue;
        }
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            tabs->setFont(font);
            const QStringList tags = tabs->property(kTabTags).toStringList();
            for (int i = 0; i < tabs->count() && i < tags.size(); ++i)
                if (Lookup(tags[i], text)) tabs->setTabText(i, text);
            continue;
        }
        if (qobject_cast<QTabBar*>(w) || qobject_cast<QToolBar*>(w)) {
            w->setFont(font);
            continue;
        }
        if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
            tree->setFont(font);
            const QStringList tags = tree->property(kHeaderTags).toStringList();
            QTreeWidgetItem* header = tree->headerItem();
            for (int i = 0; header && i < header->columnCount() && i < tags.size(); ++i)
                if (Lookup(tags[i], text)) header->setText(i, text);
            continue;
        }
        if (qobject_cast<QComboBox*>(w)) {
            w->setFont(font);
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (Lookup(label->property(kTag), text)) {
                label->setFont(font);
                label->setText(text);
            }
            continue;
        }
        const QVariant tag = w->property(kTag);
        if (!Lookup(tag, text)) {
            ApplyTooltip(w);
            continue;
        }
        w->setFont(font);
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(text);
        else if (auto* group = qobject_cast<QGroupBox*>(w))
            group->setTitle(text);
        else if (w->isWindow())
            w->setWindowTitle(text);
        ApplyTooltip(w);
    }

    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->isSeparator()) continue;
        if (Lookup(action->text(), text)) action->setText(text);
    }
}

} // namespace pv::ui
