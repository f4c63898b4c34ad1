// The table of docs/windows.md names every window as the program has it:
// in registry order, each window's folder, class, form object and caption,
// and the main menu entries that lead to it. The tour of the windows shows
// each one through its menu entry, so the table cannot drift from the code.
#include "e2e/window_tour.h"
#include "toolkit/form_registry.h"

#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

struct TableRow {
    QString folder;
    QString className;
    QString formObject;
    QString caption;
    QStringList menuEntries;  // "Menu › Submenu › Item (Shortcut)"
};

QString readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QString unquoted(QString cell) {
    cell = cell.trimmed();
    if (cell.startsWith(u'`') && cell.endsWith(u'`')) {
        cell = cell.mid(1, cell.size() - 2);
    }
    return cell;
}

// The rows of the table whose first cell is a number.
QList<TableRow> windowsTable(const QString& markdown) {
    QList<TableRow> rows;
    static const QRegularExpression row(QStringLiteral("^\\|\\s*\\d+\\s*\\|(.*)\\|\\s*$"));
    for (const QString& line : markdown.split(u'\n')) {
        const QRegularExpressionMatch match = row.match(line);
        if (!match.hasMatch()) {
            continue;
        }
        const QStringList cells = match.captured(1).split(u'|');
        if (cells.size() != 5) {
            ADD_FAILURE() << "a row of five cells expected: " << line.toStdString();
            continue;
        }
        TableRow entry{
            unquoted(cells[0]), unquoted(cells[1]), unquoted(cells[2]), cells[3].trimmed(), {}};
        const QString menu = cells[4].trimmed();
        if (!menu.startsWith(u'—')) {
            entry.menuEntries = menu.split(QStringLiteral("; "));
        }
        rows.append(entry);
    }
    return rows;
}

// The class and the form object that a window's layout file declares.
QPair<QString, QString> layoutNames(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QXmlStreamReader xml(&file);
    QString className;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QLatin1String("class")) {
            className = xml.readElementText();
        } else if (xml.name() == QLatin1String("widget")) {
            return {className, xml.attributes().value(QLatin1String("name")).toString()};
        }
    }
    return {};
}

QString withoutMnemonic(QString text) {
    return text.remove(u'&').trimmed();
}

// Every item of a menu and its submenus, named as the table names it.
void collectEntries(QMenu* menu, const QString& path, QHash<QString, QAction*>& entries) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            continue;
        }
        const QString name = path + QStringLiteral(" › ") + withoutMnemonic(action->text());
        if (action->menu()) {
            collectEntries(action->menu(), name, entries);
            continue;
        }
        const QString shortcut = action->shortcut().toString(QKeySequence::PortableText);
        entries.insert(shortcut.isEmpty() ? name : name + QStringLiteral(" (%1)").arg(shortcut),
                       action);
    }
}

}  // namespace

class WindowsTable : public WindowTour {};

TEST_F(WindowsTable, DocsTableNamesEveryWindowAsTheProgramHasIt) {
    const QList<TableRow> rows =
        windowsTable(readText(QStringLiteral(BANCADA_SOURCE_DIR "/docs/windows.md")));

    QHash<QString, QAction*> entries;
    QString lastEntry;                // the menu entry triggered since the last stop
    QHash<QString, QString> reached;  // form object -> the entry the tour reached it by
    tour([&](const TourStop& stop) {
        if (entries.isEmpty()) {
            auto* menuBar = stop.form->findChild<QMenuBar*>();
            ASSERT_NE(menuBar, nullptr);
            for (QAction* top : menuBar->actions()) {
                if (top->menu()) {
                    collectEntries(top->menu(), withoutMnemonic(top->text()), entries);
                }
            }
            for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
                const QString name = it.key();
                QObject::connect(it.value(), &QAction::triggered,
                                 [&lastEntry, name] { lastEntry = name; });
            }
        }
        if (!lastEntry.isEmpty() && !stop.form->isMainForm()) {
            reached.insert(stop.formName, lastEntry);
        }
        lastEntry.clear();
    });

    const QList<TForm*> forms = FormRegistry::instance().forms();
    ASSERT_EQ(rows.size(), forms.size());
    for (int i = 0; i < rows.size(); ++i) {
        const TableRow& row = rows[i];
        const TForm* form = forms[i];
        SCOPED_TRACE(row.formObject.toStdString());
        EXPECT_EQ(row.formObject, form->objectName());
        EXPECT_EQ(row.className, QString::fromLatin1(form->metaObject()->className()));
        EXPECT_EQ(row.caption, form->windowTitle().trimmed());

        const QString layout =
            QStringLiteral(BANCADA_SOURCE_DIR "/program/windows/%1/%1.ui").arg(row.folder);
        EXPECT_EQ(layoutNames(layout), qMakePair(row.className, row.formObject))
            << layout.toStdString();

        for (const QString& entry : row.menuEntries) {
            EXPECT_TRUE(entries.contains(entry)) << "no menu entry " << entry.toStdString();
        }
        if (reached.contains(row.formObject)) {
            EXPECT_TRUE(row.menuEntries.contains(reached.value(row.formObject)))
                << "the tour reached it by " << reached.value(row.formObject).toStdString();
        }
        // Every window but the main one has its menu entry.
        EXPECT_EQ(row.menuEntries.isEmpty(), form->isMainForm());
    }
    // The tour came through the menu to every window but the main one and
    // the two it shows straight (the formatted sale, the non-fiscal sale).
    EXPECT_EQ(reached.size(), forms.size() - 3)
        << QStringList(reached.keys()).join(' ').toStdString();
}
