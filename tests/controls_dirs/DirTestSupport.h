#pragma once
// A scratch folder tree for the directory tests, the process's current
// directory put back after each test (the directory list moves it), and
// directory dialogs answered by a script instead of a user.

#include "controls/TDirectoryListBox.h"
#include "controls/TSelectDirDlg.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <vector>

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

// Drives every directory dialog of a test through `script` (and the creation
// question through `question`), recording where each dialog opened; the
// defaults come back when it goes.
class ScriptedDialogs {
public:
    explicit ScriptedDialogs(SelectDirRunner script, CreateQuestion question = {}) : script_(std::move(script))
    {
        SetSelectDirRunner([this](TSelectDirDlg& dialog) {
            openedAt.push_back(dialog.DirList()->Directory());
            return script_(dialog);
        });
        SetCreateQuestion(std::move(question));
    }
    ~ScriptedDialogs()
    {
        SetSelectDirRunner({});
        SetCreateQuestion({});
    }
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    std::vector<QString> openedAt;

private:
    SelectDirRunner script_;
};

inline int PressOK(TSelectDirDlg& dialog)
{
    dialog.OKButton()->click();
    return dialog.result();
}

inline int PressCancel(TSelectDirDlg& dialog)
{
    dialog.CancelButton()->click();
    return dialog.result();
}

inline void Enter(TSelectDirDlg& dialog, const QString& name)
{
    dialog.DirList()->OpenItem(dialog.DirList()->findItems(name, Qt::MatchExactly).value(0));
}

} // namespace scindra
