// SPDX-License-Identifier: GPL-3.0-or-later
// The temp area against another real user of the machine who plants links and folders
// of their own under the shared temporary folder.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "app/KestrowMain.h"
#include "app/TempArea.h"
#include "platform/ScriptedPrompts.h"
#include "support_gui/GuiTestMain.h"

namespace {

const char* const kOtherUser = "kestrowother";

// What the other user leaves at a name in the temporary folder.
enum class Plant { Nothing, LinkToVictim, OwnFolder };

// Runs the planting as uid/gid in a child process; true when every step worked. Only
// system calls run in the child, on strings made before the fork.
bool PlantAs(uid_t uid, gid_t gid, Plant plant, const std::string& path,
             const std::string& victim) {
  const std::string inside = path + "/theirs";
  pid_t child = fork();
  if (child == 0) {
    bool done = setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0;
    if (done && plant == Plant::LinkToVictim) {
      done = symlink(victim.c_str(), path.c_str()) == 0;
    } else if (done && plant == Plant::OwnFolder) {
      int file = -1;
      done = mkdir(path.c_str(), 0777) == 0 && chmod(path.c_str(), 0777) == 0 &&
             (file = open(inside.c_str(), O_WRONLY | O_CREAT, 0666)) >= 0 && close(file) == 0;
    }
    _exit(done ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

}  // namespace

Q_DECLARE_METATYPE(Plant)

class TempAreaOtherUsersTest : public QObject {
  Q_OBJECT

 private:
  uid_t otherUid_ = 0;
  gid_t otherGid_ = 0;
  const char* skipReason_ = nullptr;  // why there is no second user
  std::unique_ptr<QTemporaryDir> temp_;
  std::unique_ptr<QTemporaryDir> victim_;

  std::string TempFolder() const { return temp_->path().toStdString() + "/"; }
  std::string Named(const char* name) const { return TempFolder() + name; }
  std::string OwnFallback() const { return Named("Kestrow-") + std::to_string(geteuid()); }

 private slots:
  // The other user is made when missing. Without root or useradd the tests that need
  // the user are skipped.
  void initTestCase() {
    if (geteuid() != 0) {
      skipReason_ = "acting as another user needs root";
      return;
    }
    if (getpwnam(kOtherUser) == nullptr) {
      QProcess useradd;
      useradd.start("useradd",
                    {"--system", "--no-create-home", "--shell", "/usr/sbin/nologin", kOtherUser});
      if (!useradd.waitForStarted() || !useradd.waitForFinished() ||
          getpwnam(kOtherUser) == nullptr) {
        skipReason_ = "useradd is not available to make a second user";
        return;
      }
    }
    const passwd* other = getpwnam(kOtherUser);
    otherUid_ = other->pw_uid;
    otherGid_ = other->pw_gid;
  }

  // A fresh shared temporary folder (sticky and writable by all, as /tmp is) and a
  // victim folder of ours with a file in it.
  void init() {
    temp_ = std::make_unique<QTemporaryDir>();
    victim_ = std::make_unique<QTemporaryDir>();
    QVERIFY(temp_->isValid() && victim_->isValid());
    QCOMPARE(chmod(temp_->path().toLocal8Bit().constData(), 01777), 0);
    QFile precious(victim_->filePath("precious"));
    QVERIFY(precious.open(QIODevice::WriteOnly));
    precious.write("keep me");
  }

  // Whatever the other user planted at "Kestrow" or at the old fallback name, the area
  // is a fresh folder of our own; nothing of theirs or of the victim's is ever cleared
  // or removed.
  void otherUsersPlants_data() {
    QTest::addColumn<Plant>("primary");
    QTest::addColumn<Plant>("fallback");
    QTest::newRow("their folder at Kestrow") << Plant::OwnFolder << Plant::Nothing;
    QTest::newRow("their link at Kestrow") << Plant::LinkToVictim << Plant::Nothing;
    QTest::newRow("their link at the fallback") << Plant::Nothing << Plant::LinkToVictim;
    QTest::newRow("folder and link") << Plant::OwnFolder << Plant::LinkToVictim;
    QTest::newRow("link and folder") << Plant::LinkToVictim << Plant::OwnFolder;
  }
  void otherUsersPlants() {
    QFETCH(Plant, primary);
    QFETCH(Plant, fallback);
    if (skipReason_ != nullptr) {
      QSKIP(skipReason_);
    }
    const std::string victim = victim_->path().toStdString();
    QVERIFY(PlantAs(otherUid_, otherGid_, primary, Named("Kestrow"), victim));
    QVERIFY(PlantAs(otherUid_, otherGid_, fallback, OwnFallback(), victim));

    TempAreaClass area;
    QVERIFY(area.Establish(TempFolder()));
    QVERIFY(area.Path() != Named("Kestrow") && area.Path() != OwnFallback());
    QVERIFY(area.Path().rfind(Named("Kestrow-"), 0) == 0);
    struct stat info {};
    QCOMPARE(lstat(area.Path().c_str(), &info), 0);
    QCOMPARE(info.st_uid, geteuid());
    QCOMPARE(info.st_mode & 07777, 0700u);
    QFile ours(QString::fromStdString(area.Path() + "/$.OURS"));
    QVERIFY(ours.open(QIODevice::WriteOnly));
    ours.close();
    area.Clear();
    area.Remove();
    QVERIFY(!QFileInfo::exists(QString::fromStdString(area.Path())));
    QVERIFY(QFile::exists(victim_->filePath("precious")));
    for (const auto& [plant, path] :
         {std::pair{primary, Named("Kestrow")}, std::pair{fallback, OwnFallback()}}) {
      const QFileInfo planted(QString::fromStdString(path));
      if (plant == Plant::OwnFolder) {
        QVERIFY(QFile::exists(QString::fromStdString(path + "/theirs")));
        QCOMPARE(planted.ownerId(), otherUid_);
      } else if (plant == Plant::LinkToVictim) {
        QVERIFY(planted.isSymLink());
      }
    }
  }

  // With both old names taken the main frame still gets an area of its own, and closes
  // without touching either.
  void mainFrameWithBothNamesTaken() {
    if (skipReason_ != nullptr) {
      QSKIP(skipReason_);
    }
    ScopedScriptedPrompts prompts;
    const std::string victim = victim_->path().toStdString();
    QVERIFY(PlantAs(otherUid_, otherGid_, Plant::OwnFolder, Named("Kestrow"), victim));
    QVERIFY(PlantAs(otherUid_, otherGid_, Plant::LinkToVictim, OwnFallback(), victim));
    const QByteArray savedTmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp_->path().toLocal8Bit());
    auto frame = std::make_unique<TKestrowMainFrm>();
    frame->Timer1Timer(nullptr);
    qputenv("TMPDIR", savedTmpdir);
    const std::string area = frame->TempAreaPath();
    QVERIFY(area.rfind(Named("Kestrow-"), 0) == 0 && area != OwnFallback());
    frame->ClearTempArea();
    frame->show();
    QVERIFY(frame->close());
    QVERIFY(!QFileInfo::exists(QString::fromStdString(area)));
    QVERIFY(QFile::exists(QString::fromStdString(Named("Kestrow") + "/theirs")));
    QVERIFY(QFile::exists(victim_->filePath("precious")));
  }
};

KESTROW_GUI_TEST_MAIN(TempAreaOtherUsersTest)
#include "test_temparea_other_users.moc"
