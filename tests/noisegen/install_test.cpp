// `cmake --install` of this build into a scratch prefix: the layout the
// package and the program rely on.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <filesystem>

namespace
{

class Install : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        prefix_ = new QTemporaryDir;
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(CMAKE_COMMAND_PATH,
                      {"--install", HUSHWAVE_BUILD_DIR, "--prefix", prefix_->path()});
        installed_ = install.waitForFinished(120'000) &&
                     install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0;
        log_ = new QByteArray(install.readAll());
    }
    static void TearDownTestSuite()
    {
        delete prefix_;
        delete log_;
    }
    void SetUp() override { ASSERT_TRUE(installed_) << log_->toStdString(); }

    static QString path(const QString& relative) { return prefix_->path() + "/" + relative; }

    static QTemporaryDir* prefix_;
    static QByteArray* log_;
    static bool installed_;
};
QTemporaryDir* Install::prefix_ = nullptr;
QByteArray* Install::log_ = nullptr;
bool Install::installed_ = false;

TEST_F(Install, ProgramFolderHoldsTheProgramItsSoundsAndCursor)
{
    const QFileInfo program(path("lib/hushwave/hushwave"));
    EXPECT_TRUE(program.isFile() && program.isExecutable());

    const QString built = qEnvironmentVariable("HUSHWAVE_PROGRAM_DIR");
    ASSERT_FALSE(built.isEmpty());
    const QStringList sounds = QDir(built + "/sounds").entryList(QDir::Files);
    EXPECT_FALSE(sounds.isEmpty());
    EXPECT_EQ(QDir(path("lib/hushwave/sounds")).entryList(QDir::Files), sounds);
    for (const QString& sound : sounds)
        EXPECT_EQ(QFileInfo(path("lib/hushwave/sounds/" + sound)).size(),
                  QFileInfo(built + "/sounds/" + sound).size())
            << sound.toStdString();

    EXPECT_EQ(QFileInfo::exists(path("lib/hushwave/HAND-M.CUR")),
              QFileInfo::exists(built + "/HAND-M.CUR"));
}

TEST_F(Install, CommandOnPathIsARelativeLinkIntoTheProgramFolder)
{
    const QFileInfo link(path("bin/hushwave"));
    ASSERT_TRUE(link.isSymLink());
    // Relative, so it still points home inside a package or another prefix.
    EXPECT_TRUE(QFile::symLinkTarget(link.filePath()) ==
                QFileInfo(path("lib/hushwave/hushwave")).canonicalFilePath());
    const std::string target =
        std::filesystem::read_symlink(link.filePath().toStdString()).string();
    EXPECT_EQ(target.rfind("../", 0), 0u) << target;
}

TEST_F(Install, MenuEntryIsValidAndNamesTheCommandAndIcon)
{
    const QString entry = path("share/applications/io.github.hushwave.Hushwave.desktop");
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    ASSERT_FALSE(validator.isEmpty())
        << "desktop-file-validate (desktop-file-utils) is not installed";
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {entry});
    ASSERT_TRUE(validate.waitForFinished(30'000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();

    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    EXPECT_TRUE(lines.contains("Exec=hushwave"));
    EXPECT_TRUE(lines.contains("Icon=io.github.hushwave.Hushwave"));
}

TEST_F(Install, IconsSitInTheirSizeFolders)
{
    for (int size : {32, 48, 128, 256}) {
        const QImage icon(path(
            QString("share/icons/hicolor/%1x%1/apps/io.github.hushwave.Hushwave.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
    }
}

} // namespace
