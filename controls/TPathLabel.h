#pragma once
// A label that shows a folder path cut down to its width: leading folders are
// replaced by "..." one at a time, then the drive goes, so the end of the path
// (the folder the user is in) stays readable.

#include "engine/engine.h"

#include <QString>
#include <QWidget>

#include <functional>

namespace scindra {

class TPathLabel : public QWidget {
    Q_OBJECT
public:
    explicit TPathLabel(QWidget* parent = nullptr);

    QString Text() const { return text_; }
    void SetText(const QString& text);

    PathStyle Style() const { return style_; }
    void SetStyle(PathStyle style);

    // The text as painted: shortened until it fits the current width.
    QString DisplayedText() const;

    // Shortens a path step by step until `fits` accepts it or nothing is left
    // to drop but the last element.
    static QString MinimizeName(const QString& path, const std::function<bool(const QString&)>& fits,
                                PathStyle style);

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override;

private:
    QString text_;
    PathStyle style_;
};

} // namespace scindra
