#include "platform/AnsweringFileDialog.h"

namespace scindra {

namespace {

// What the factory hands out: each run goes back to the test's object.
class Forwarder : public FileDialog {
public:
    explicit Forwarder(AnsweringFileDialog& owner) : owner_(owner) {}

    std::optional<FileDialogAnswer> Execute(const FileDialogSettings& settings,
                                            QWidget* parent) override
    {
        owner_.Runs.push_back(settings);
        owner_.Parents.push_back(parent);
        if (!owner_.Respond)
            return std::nullopt;
        return owner_.Respond(settings);
    }

private:
    AnsweringFileDialog& owner_;
};

} // namespace

AnsweringFileDialog::AnsweringFileDialog()
{
    installed_.emplace([this] { return std::make_unique<Forwarder>(*this); });
}

AnsweringFileDialog::~AnsweringFileDialog() = default;

void AnsweringFileDialog::AnswerWith(const QStringList& files)
{
    Respond = [files](const FileDialogSettings& settings) {
        return FileDialogAnswer{files, settings.FilterIndex, settings.Options.testFlag(ofReadOnly)};
    };
}

void AnsweringFileDialog::Cancel()
{
    Respond = nullptr;
}

} // namespace scindra
