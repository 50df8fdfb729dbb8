#pragma once
// The file dialog drawn by the toolkit.

#include "platform/FileDialog.h"

namespace scindra {

class QtFileDialog : public FileDialog {
public:
    std::optional<FileDialogAnswer> Execute(const FileDialogSettings& settings,
                                            QWidget* parent) override;

    // "Desc|*.a;*.b|..." as the toolkit's name filters "Desc (*.a *.b)";
    // "*.*" means every file and becomes "*". A trailing description
    // without a pattern is dropped.
    static QStringList NameFilters(const QString& filter);
    // The 0-based filter to select for a 1-based index (0 and anything out
    // of range select the first).
    static int InitialFilter(int filterIndex, int count);
    // The suffix the dialog appends: the extension without its dot, or
    // empty when it holds a wildcard.
    static QString DefaultSuffix(const QString& defaultExt);
};

} // namespace scindra
