#include "ui/LngComponent.h"

#include "fido/Lng.h"
#include "fido/NVUtils.h"
#include "platform/Text.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include <algorithm>
#include <optional>

namespace tarvix {

namespace {

std::vector<TLng*>& Registry()
{
    static std::vector<TLng*> list;
    return list;
}

// The texts of a list's items: the items there are renamed, the rest added.
template <typename Rename, typename Add>
void SetItemTexts(const QStringList& items, int count, Rename rename, Add add)
{
    for (int k = 0; k < items.size(); ++k) {
        if (k < count)
            rename(k, items[k]);
        else
            add(items[k]);
    }
}

bool HasOwnLng(const QObject* o)
{
    for (const QObject* c : o->children())
        if (qobject_cast<const TLng*>(c))
            return true;
    return false;
}

// The components of a window: its descendants, without the windows inside it that
// carry their own language component (MDI children, dialogs) and their components.
void CollectComponents(QObject* o, std::vector<QObject*>& out)
{
    for (QObject* c : o->children()) {
        if (qobject_cast<TLng*>(c) || HasOwnLng(c))
            continue;
        out.push_back(c);
        CollectComponents(c, out);
    }
}

// A component by name; an exact match wins over one that differs in letter case.
QObject* FindComponent(QWidget* window, const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    std::vector<QObject*> all;
    CollectComponents(window, all);
    for (QObject* o : all)
        if (o->objectName() == name)
            return o;
    for (QObject* o : all)
        if (o->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return o;
    return nullptr;
}

// The meta-property (static or dynamic) of an object matching a property name of
// the language file, whose first letter may be upper case ("Text" for "text").
std::optional<QByteArray> FindProperty(const QObject* o, const QString& name)
{
    const QMetaObject* mo = o->metaObject();
    for (int i = 0; i < mo->propertyCount(); ++i) {
        QMetaProperty p = mo->property(i);
        if (QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0)
            return QByteArray(p.name());
    }
    for (const QByteArray& dyn : o->dynamicPropertyNames())
        if (QString::fromLatin1(dyn).compare(name, Qt::CaseInsensitive) == 0)
            return dyn;
    return std::nullopt;
}

// The items of a value "('first','second',...,'last')"; a quote inside an item is
// written twice. Raises ELngError "Invalid TStrings value" for any other form.
QStringList ParseStringList(const QString& value)
{
    const auto invalid = [] { return ELngError("Invalid TStrings value"); };
    if (value.size() < 2 || value.front() != QLatin1Char('(') || value.back() != QLatin1Char(')'))
        throw invalid();
    QStringList items;
    const qsizetype end = value.size() - 1;
    qsizetype i = 1;
    if (i == end)
        return items;
    for (;;) {
        if (i >= end || value[i] != QLatin1Char('\''))
            throw invalid();
        ++i;
        QString item;
        for (;;) {
            if (i >= end)
                throw invalid();
            if (value[i] == QLatin1Char('\'')) {
                if (i + 1 < end && value[i + 1] == QLatin1Char('\'')) {
                    item += QLatin1Char('\'');
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            item += value[i++];
        }
        items << item;
        if (i == end)
            return items;
        if (value[i] != QLatin1Char(','))
            throw invalid();
        ++i;
    }
}

// Item k replaces line k when the list has it and is appended otherwise; lines
// past the items stay.
QStringList MergeLines(QStringList lines, const QStringList& items)
{
    for (qsizetype k = 0; k < items.size(); ++k) {
        if (k < lines.size())
            lines[k] = items[k];
        else
            lines << items[k];
    }
    return lines;
}

// The string lists that widgets keep outside their Qt properties.
bool SetWidgetList(QObject* o, const QString& prop, const QString& value)
{
    auto is = [&prop](const char* name) { return prop.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (auto* list = qobject_cast<QListWidget*>(o); list && is("Items")) {
        SetItemTexts(ParseStringList(value), list->count(), [list](int k, const QString& t) { list->item(k)->setText(t); },
                     [list](const QString& t) { list->addItem(t); });
        return true;
    }
    if (auto* combo = qobject_cast<QComboBox*>(o); combo && is("Items")) {
        SetItemTexts(ParseStringList(value), combo->count(), [combo](int k, const QString& t) { combo->setItemText(k, t); },
                     [combo](const QString& t) { combo->addItem(t); });
        return true;
    }
    if (auto* bar = qobject_cast<QTabBar*>(o); bar && (is("Tabs") || is("Items"))) {
        SetItemTexts(ParseStringList(value), bar->count(), [bar](int k, const QString& t) { bar->setTabText(k, t); },
                     [bar](const QString& t) { bar->addTab(t); });
        return true;
    }
    // The pages of a tab widget need their widgets: only existing pages are renamed.
    if (auto* tabs = qobject_cast<QTabWidget*>(o); tabs && (is("Tabs") || is("Pages"))) {
        const QStringList items = ParseStringList(value);
        for (int k = 0; k < items.size() && k < tabs->count(); ++k)
            tabs->setTabText(k, items[k]);
        return true;
    }
    if (auto* edit = qobject_cast<QPlainTextEdit*>(o); edit && is("Lines")) {
        const QStringList items = ParseStringList(value);
        QStringList lines = edit->toPlainText().split(QLatin1Char('\n'));
        if (edit->toPlainText().isEmpty())
            lines.clear();
        edit->setPlainText(MergeLines(lines, items).join(QLatin1Char('\n')));
        return true;
    }
    if (auto* edit = qobject_cast<QTextEdit*>(o); edit && is("Lines")) {
        const QStringList items = ParseStringList(value);
        QStringList lines = edit->toPlainText().split(QLatin1Char('\n'));
        if (edit->toPlainText().isEmpty())
            lines.clear();
        edit->setPlainText(MergeLines(lines, items).join(QLatin1Char('\n')));
        return true;
    }
    return false;
}

void SetNamedProperty(QObject* o, const QByteArray& name, const QString& value)
{
    const QVariant current = o->property(name.constData());
    const int type = current.metaType().id();
    if (type == QMetaType::QString) {
        o->setProperty(name.constData(), value);
        return;
    }
    if (type == QMetaType::QStringList) {
        o->setProperty(name.constData(), MergeLines(current.toStringList(), ParseStringList(value)));
        return;
    }
    throw ELngError("Invalid property type");
}

// The caption of a component: its text, else its title, else its window title.
void SetCaption(QObject* o, const QString& value)
{
    for (const char* name : {"text", "title"}) {
        const int index = o->metaObject()->indexOfProperty(name);
        if (index >= 0 && o->metaObject()->property(index).metaType().id() == QMetaType::QString) {
            o->setProperty(name, value);
            return;
        }
    }
    if (auto* w = qobject_cast<QWidget*>(o)) {
        w->setWindowTitle(value);
        return;
    }
    throw ELngError("Caption - Invalid property name");
}

void SetProperty(QObject* o, const QString& prop, const QString& value)
{
    if (prop.compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0) {
        SetCaption(o, value);
        return;
    }
    if (prop.compare(QLatin1String("Hint"), Qt::CaseInsensitive) == 0) {
        if (auto* a = qobject_cast<QAction*>(o)) {
            a->setToolTip(value);
            a->setStatusTip(value);
        } else if (auto* w = qobject_cast<QWidget*>(o)) {
            w->setToolTip(value);
        } else {
            throw ELngError("Hint - Invalid property name");
        }
        return;
    }
    if (SetWidgetList(o, prop, value))
        return;
    std::optional<QByteArray> name = FindProperty(o, prop);
    if (!name)
        throw ELngError(prop.toStdString() + " - Invalid property name");
    SetNamedProperty(o, *name, value);
}

}  // namespace

std::string LngLineValue(std::string_view raw)
{
    std::string_view v = TrimBlanks(LimitLngValue(raw));
    // A character-set mark "!R!" in front: Qt draws every script from Unicode.
    if (!v.empty() && v.front() == '!') {
        std::size_t close = v.find('!', 1);
        if (close != std::string_view::npos)
            v.remove_prefix(close + 1);
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
    return out;
}

void ApplyLngLines(QWidget* window, const std::vector<std::pair<std::string, std::string>>& lines)
{
    if (!window)
        return;
    std::optional<ELngError> firstError;
    QString previous;  // the component named by the last line that named one
    for (const auto& [rawName, rawValue] : lines) {
        const std::string_view key = TrimBlanks(rawName);
        if (key.empty() || key.front() == ';')
            continue;
        const QString name = QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
        const QString value = QString::fromStdString(LngLineValue(rawValue));
        QObject* target = window;
        QString prop = name;
        const qsizetype dot = name.indexOf(QLatin1Char('.'));
        if (dot >= 0) {
            QString component = name.left(dot);
            prop = name.mid(dot + 1);
            if (prop == QLatin1String("."))
                prop = QStringLiteral("Caption");
            else if (prop == QLatin1String("?"))
                prop = QStringLiteral("Hint");
            if (component == QLatin1String("*"))
                component = previous;
            else
                previous = component;
            target = FindComponent(window, component);
            if (!target) {
                DebugTraceFmt("LoadLng: component %s not found",
                              {(component.isEmpty() ? name.left(dot) : component).toStdString()});
                continue;
            }
        }
        try {
            SetProperty(target, prop, value);
        } catch (const ELngError& e) {
            if (!firstError)
                firstError = e;
        }
    }
    if (firstError)
        throw *firstError;
}

TLng::TLng(QWidget* owner, QString section) : QObject(owner), owner_(owner), section_(std::move(section))
{
    setObjectName(QStringLiteral("Lng"));
    Registry().push_back(this);
    if (LngLoaded()) {
        try {
            Apply();
        } catch (const Exception& e) {
            DebugTrace(std::string("LoadLng: ") + e.what());
        }
    }
}

TLng::~TLng()
{
    auto& list = Registry();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TLng::Apply()
{
    if (!LngLoaded() || !owner_)
        return;
    auto lines = LngSectionLines("Any");
    auto own = LngSectionLines(section_.toStdString());
    lines.insert(lines.end(), own.begin(), own.end());
    try {
        ApplyLngLines(owner_, lines);
    } catch (...) {
        emit LngApplied();
        throw;
    }
    emit LngApplied();
}

void TLng::SetLngName(const std::string& fileName)
{
    if (fileName.empty() || (LngLoaded() && fileName == tarvix::LngName()))
        return;
    const bool cursor = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    if (cursor)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    std::optional<ELngError> firstError;
    try {
        LoadLng(fileName);
        // A window may close while another is translated: walk a copy.
        const std::vector<TLng*> all = Registry();
        for (TLng* lng : all) {
            if (std::find(Registry().begin(), Registry().end(), lng) == Registry().end())
                continue;
            try {
                lng->Apply();
            } catch (const ELngError& e) {
                if (!firstError)
                    firstError = e;
            }
        }
    } catch (...) {
        if (cursor)
            QApplication::restoreOverrideCursor();
        throw;
    }
    if (cursor)
        QApplication::restoreOverrideCursor();
    if (QCoreApplication::instance())
        NotifyLanguageChanged();
    if (firstError)
        throw *firstError;
}

void ApplyLng(QWidget* window, std::string_view className)
{
    if (!window || !LngLoaded())
        return;
    std::vector<std::pair<std::string, std::string>> lines = LngSectionLines("Any");
    auto own = LngSectionLines(className);
    lines.insert(lines.end(), own.begin(), own.end());
    try {
        ApplyLngLines(window, lines);
    } catch (const ELngError& e) {
        DebugTrace(std::string("ApplyLng: ") + e.what());
    }
}

void NotifyLanguageChanged()
{
    for (QWidget* w : QApplication::allWidgets()) {
        QEvent event(QEvent::LanguageChange);
        QCoreApplication::sendEvent(w, &event);
    }
}

std::string TLng::LngName() { return LngLoaded() ? tarvix::LngName() : std::string(); }

void TLng::SetLngVersion(const std::string& version) { tarvix::SetLngVersion(version); }

const std::vector<TLng*>& TLng::Instances() { return Registry(); }

}  // namespace tarvix
