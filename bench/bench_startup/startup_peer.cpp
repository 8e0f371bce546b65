// bench_startup_peer: the plainest Qt Widgets program that shows the catalogue. It reads the rows
// the client's cloud list reads (argv[2], the same statement over every fp_fonts column) from the
// catalogue file argv[1] with sqlite3 into a string-list model, shows it in a QListView in a
// QMainWindow, and marks "exec" before the event loop and "first-paint" once the list's first
// paint is done (CORVANE_TRACE_FILE, the client's trace format). The query runs in the event loop,
// as the client's list does after its own start.
#include <QApplication>
#include <QListView>
#include <QMainWindow>
#include <QMetaObject>
#include <QStringListModel>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void mark(const char* milestone)
{
    const char* file = std::getenv("CORVANE_TRACE_FILE");
    if (!file)
        return;
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::string line = std::to_string(static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000) + " " + milestone + "\n";
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
        [[maybe_unused]] const auto written = ::write(fd, line.data(), line.size());
        ::close(fd);
    }
}

// Every column of every row, as the client reads them; the font name is what the list shows.
QStringList readNames(const char* file, const char* statement)
{
    QStringList names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file, &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return names;
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db, statement, -1, &query, nullptr) == SQLITE_OK) {
        const int columns = sqlite3_column_count(query);
        int nameColumn = 0;
        for (int c = 0; c < columns; ++c)
            if (std::string(sqlite3_column_name(query, c)) == "fontname")
                nameColumn = c;
        std::vector<std::string> row(static_cast<size_t>(columns));
        while (sqlite3_step(query) == SQLITE_ROW) {
            for (int c = 0; c < columns; ++c) {
                const auto* text = sqlite3_column_text(query, c);
                row[static_cast<size_t>(c)] = text ? reinterpret_cast<const char*>(text) : "";
            }
            names.push_back(QString::fromStdString(row[static_cast<size_t>(nameColumn)]));
        }
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return names;
}

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // After this paint has been done and flushed.
            QMetaObject::invokeMethod(qApp, [] {
                mark("first-paint");
                QCoreApplication::quit();
            }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_startup_peer <catalogue.sqlite> <statement>\n");
        return 2;
    }
    QApplication app(argc, argv);
    QMainWindow window;
    QStringListModel model;
    FirstPaint firstPaint;
    QMetaObject::invokeMethod(&app, [&] {
        model.setStringList(readNames(argv[1], argv[2]));
        auto* list = new QListView(&window);
        list->setUniformItemSizes(true);
        list->setModel(&model);
        list->viewport()->installEventFilter(&firstPaint);
        window.setCentralWidget(list);
        window.resize(400, 860);
        window.show();
    }, Qt::QueuedConnection);
    mark("exec");
    return QApplication::exec();
}
