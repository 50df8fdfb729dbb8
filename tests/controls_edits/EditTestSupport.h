#pragma once
// What the edit tests share: readable Qt strings in failure messages, and a
// fixture with a scratch folder and a recording error reporter.
#include "rtl/Guard.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/QtPrinters.h"

namespace scindra {

// The scratch folder holds "Mes films/b.avi" and a file with a double quote
// in its name, "a\"b.txt". Errors that reach a guard are recorded in errors_.
class EditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath("Mes films"));
        for (const char* name : {"Mes films/b.avi", "a\"b.txt"}) {
            QFile file(Path(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
        }
        previous_ = SetErrorReporter([this](const std::exception& e) { errors_.push_back(e.what()); });
    }
    void TearDown() override { SetErrorReporter(previous_); }

    QString Path(const QString& relative) const { return dir_.filePath(relative); }

    QTemporaryDir dir_;
    std::vector<std::string> errors_;
    ErrorReporter previous_;
};

} // namespace scindra
