#include "support/RecordingLauncher.h"

#include "platform/base/Exception.h"

namespace testsupport {
namespace {

class Recorder final : public platform::Launcher {
public:
    explicit Recorder(std::shared_ptr<RecordingLauncher::State> state) : state_(std::move(state)) {}
    void openUrl(const std::string& url) override
    {
        state_->urls.push_back(url);
        failIfAsked("cannot open " + url);
    }
    void openDocument(const std::string& path) override
    {
        state_->documents.push_back(path);
        failIfAsked("cannot open " + path);
    }
    void startProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& directory) override
    {
        state_->programs.push_back({program, arguments, directory});
        failIfAsked("cannot start " + program);
    }

private:
    void failIfAsked(const std::string& what) const
    {
        if (!state_->failure.empty())
            throw platform::Exception(what + ": " + state_->failure);
    }

    std::shared_ptr<RecordingLauncher::State> state_;
};

} // namespace

RecordingLauncher::RecordingLauncher()
    : state_(std::make_shared<State>()), previous_(platform::setLauncher(std::make_unique<Recorder>(state_)))
{
}

RecordingLauncher::~RecordingLauncher() { platform::setLauncher(std::move(previous_)); }

} // namespace testsupport
