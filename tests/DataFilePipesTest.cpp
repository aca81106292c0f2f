// A pipe (or any file that is not a plain one) where a data file should be: every reader
// refuses it at once with its usual "cannot open" message instead of waiting for a
// writer that never comes, and the frame starts, answers and ends.

#include "EventWait.h"
#include "FakeEngine.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "bookmarks/BookmarkModel.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"
#include "settings/CloseUrlList.h"
#include "options/Option.h"
#include "settings/SessionFile.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Makes `name` a pipe in the folder. Should a reader block on it after all, a watchdog
// opens the pipe's other end after a while: the reader then goes on, and the test fails
// on `hung` instead of hanging the suite.
class Pipe {
public:
    Pipe(const ProgramFolder& dir, const QString& name) : path_(QFile::encodeName(dir.file(name)).toStdString()) {
        ::unlink(path_.c_str());
        EXPECT_EQ(::mkfifo(path_.c_str(), 0644), 0);
        watchdog_ = std::thread([this] {
            std::unique_lock lock(mutex_);
            if (done_.wait_for(lock, std::chrono::seconds(20), [this] { return finished_; })) return;
            hung = true;
            // A writer that closes at once: the blocked open returns and reads nothing.
            const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        });
    }
    ~Pipe() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        watchdog_.join();
    }
    std::atomic<bool> hung{false};

private:
    std::string path_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread watchdog_;
};

}  // namespace

TEST(DataFilePipes, EveryReaderRefusesAPipeWithItsUsualError) {
    ProgramFolder dir;
    {
        Pipe pipe(dir, QStringLiteral("data.txt"));
        EXPECT_THROW(AtomicFile::readIfExists(dir.file(QStringLiteral("data.txt"))), EFOpenError);
        EXPECT_FALSE(pipe.hung);
    }
    {
        Pipe pipe(dir, QStringLiteral("session.txt"));
        EXPECT_THROW(SessionFile(dir.path()).read(), EFOpenError);
        EXPECT_FALSE(pipe.hung);
    }
    {
        Pipe pipe(dir, QStringLiteral("CloseURL.txt"));
        CloseUrlList list(dir.path());
        EXPECT_THROW(list.contains(QStringLiteral("http://a/")), EFOpenError);
        EXPECT_THROW(list.readAll(), EFOpenError);
        // Adding to it would replace the pipe with a file: refused, the pipe stays.
        EXPECT_ANY_THROW(list.append(QStringLiteral("http://a/")));
        EXPECT_FALSE(pipe.hung);
    }
    {
        // A config.ini that cannot be read reads as missing, and is never replaced.
        Pipe pipe(dir, QStringLiteral("config.ini"));
        Settings ini(dir.file(QStringLiteral("config.ini")));
        EXPECT_EQ(ini.Read(Keys::TabMaxSize), Keys::TabMaxSize.def);
        EXPECT_THROW(ini.Write(Keys::TabMaxSize, 5), EWriteError);
        EXPECT_FALSE(pipe.hung);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dir.file(QStringLiteral("config.ini"))).constData(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
}

TEST(DataFilePipes, TheFrameStartsAnswersAndEndsBesidePipes) {
    ErrorRecorder errors;
    FakeEngines fakes;
    {
        ProgramFolder dir;
        Pipe pipe(dir, QStringLiteral("config.ini"));
        auto form = std::make_unique<TMainForm>(dir.path());
        form->close();
        form.reset();
        EXPECT_FALSE(pipe.hung);
    }
    {
        // With Restore on, a session that is a pipe is reported and opens nothing.
        ProgramFolder dir;
        dir.write("config.ini", "[Option_Window]\r\nRestore=1\r\n");
        Pipe pipe(dir, QStringLiteral("session.txt"));
        errors.messages.clear();
        auto form = std::make_unique<TMainForm>(dir.path());
        EXPECT_TRUE(form->MDIChildren().isEmpty());
        EXPECT_EQ(errors.messages.size(), 1);
        form->close();
        form.reset();
        EXPECT_FALSE(pipe.hung);
    }
    {
        // A store that is a pipe is reported once, and the model's worker does not keep
        // the frame from going away.
        ProgramFolder dir;
        Pipe pipe(dir, QStringLiteral("bookmark.xml"));
        errors.messages.clear();
        auto form = std::make_unique<TMainForm>(dir.path());
        EXPECT_EQ(errors.messages.size(), 1);
        form->close();
        form.reset();
        EXPECT_FALSE(pipe.hung);
    }
    {
        // The options window made at start reads the popup list.
        ProgramFolder dir;
        Pipe pipe(dir, QStringLiteral("CloseURL.txt"));
        errors.messages.clear();
        auto* window = new Tfrm_Option(dir.path(), nullptr, {});
        ASSERT_EQ(errors.messages.size(), 1);
        EXPECT_TRUE(errors.messages[0].contains(QStringLiteral("CloseURL.txt")));
        delete window;
        EXPECT_FALSE(pipe.hung);
    }
}
