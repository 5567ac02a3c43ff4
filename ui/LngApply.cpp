#include "ui/LngApply.h"

#include "fido/Lng.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QWidget>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

namespace tarvix {

namespace {

// The value without its character-set mark, with its line breaks.
QString LngValue(std::string_view raw)
{
    std::string v(raw);
    if (v.size() >= 2 && v[0] == '!') {
        std::size_t close = v.find('!', 1);
        if (close != std::string::npos)
            v.erase(0, close + 1);
    }
    std::string out;
    out.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size() && v[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += v[i];
        }
    }
    return QString::fromStdString(out);
}

// The items of a list value ('a','b','c'); nullopt when the value has another form.
std::optional<QStringList> ListItems(const QString& value)
{
    if (value.size() < 2 || value.front() != '(' || value.back() != ')')
        return std::nullopt;
    QStringList items;
    const QString inner = value.mid(1, value.size() - 2);
    qsizetype i = 0;
    while (i < inner.size()) {
        if (inner[i] != '\'')
            return std::nullopt;
        qsizetype close = inner.indexOf('\'', i + 1);
        if (close < 0)
            return std::nullopt;
        items << inner.mid(i + 1, close - i - 1);
        i = close + 1;
        if (i < inner.size()) {
            if (inner[i] != ',')
                return std::nullopt;
            ++i;
        }
    }
    return items;
}

void SetItems(QObject* target, const QStringList& items)
{
    if (auto* list = qobject_cast<QListWidget*>(target)) {
        for (qsizetype k = 0; k < items.size(); ++k) {
            if (k < list->count())
                list->item(static_cast<int>(k))->setText(items[k]);
            else
                list->addItem(items[k]);
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(target)) {
        for (qsizetype k = 0; k < items.size(); ++k) {
            if (k < combo->count())
                combo->setItemText(static_cast<int>(k), items[k]);
            else
                combo->addItem(items[k]);
        }
    }
}

void SetCaption(QObject* target, QWidget* window, const QString& text)
{
    if (target == window) {
        window->setWindowTitle(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(target)) {
        group->setTitle(text);
    } else if (auto* menu = qobject_cast<QMenu*>(target)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(target)) {
        action->setText(text);
    } else if (auto* widget = qobject_cast<QWidget*>(target)) {
        widget->setWindowTitle(text);
    }
}

void SetHint(QObject* target, const QString& text)
{
    if (auto* widget = qobject_cast<QWidget*>(target))
        widget->setToolTip(text);
    else if (auto* action = qobject_cast<QAction*>(target))
        action->setToolTip(text);
}

void SetProperty(QObject* target, QWidget* window, const std::string& property, const QString& value)
{
    if (property == "Caption") {
        SetCaption(target, window, value);
        return;
    }
    if (property == "Hint") {
        SetHint(target, value);
        return;
    }
    if (property == "Items" || property == "Lines") {
        if (auto items = ListItems(value))
            SetItems(target, *items);
        else
            qDebug("LoadLng: invalid list value for %s", qPrintable(target->objectName()));
        return;
    }
    // Any other string property of the component, by its Qt name.
    const QMetaObject* meta = target->metaObject();
    int index = meta->indexOfProperty(property.c_str());
    if (index < 0 && !property.empty()) {
        std::string lower = property;
        lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
        index = meta->indexOfProperty(lower.c_str());
    }
    if (index < 0 || meta->property(index).metaType().id() != QMetaType::QString) {
        qDebug("LoadLng: %s - Invalid property name", property.c_str());
        return;
    }
    meta->property(index).write(target, value);
}

void ApplySection(QWidget* window, std::string_view section, QObject*& previous)
{
    for (const auto& [name, raw] : LngSectionLines(section)) {
        if (name.empty() || name[0] == ';')
            continue;
        const QString value = LngValue(raw);
        const std::size_t dot = name.find('.');
        if (dot == std::string::npos) {
            SetProperty(window, window, name, value);
            continue;
        }
        const std::string component = name.substr(0, dot);
        std::string property = name.substr(dot + 1);
        if (property == ".")
            property = "Caption";
        else if (property == "?")
            property = "Hint";
        QObject* target = nullptr;
        if (component == "*")
            target = previous;
        else if (window->objectName() == QString::fromStdString(component))
            target = window;
        else
            target = window->findChild<QObject*>(QString::fromStdString(component));
        if (!target) {
            qDebug("LoadLng: component %s not found", component.c_str());
            continue;
        }
        previous = target;
        SetProperty(target, window, property, value);
    }
}

}  // namespace

void ApplyLng(QWidget* window, std::string_view className)
{
    if (!window || !LngLoaded())
        return;
    QObject* previous = nullptr;
    ApplySection(window, "Any", previous);
    ApplySection(window, className, previous);
}

void NotifyLanguageChanged()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        QEvent event(QEvent::LanguageChange);
        QCoreApplication::sendEvent(w, &event);
    }
}

}  // namespace tarvix
