#pragma once
// A scratch folder tree for the directory tests, and the process's current
// directory put back after each test (the directory list moves it).

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace scindra {

class DirectoryFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch_.isValid());
        root_ = QDir(scratch_.path()).canonicalPath();
        previous_ = QDir::currentPath();
    }
    void TearDown() override { QDir::setCurrent(previous_); }

    QString Path(const QString& relative) const { return root_ + QStringLiteral("/") + relative; }

    void MakeFolder(const QString& relative) const { ASSERT_TRUE(QDir().mkpath(Path(relative))); }

    void MakeFile(const QString& relative) const
    {
        QFile file(Path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }

    QString root_;

private:
    QTemporaryDir scratch_;
    QString previous_;
};

} // namespace scindra
