#pragma once
// View > Follow Log: the window reads what the router appends to the loaded
// log, as it is written, and keeps those call-end lines with the others. The
// engine's follower does the reading; this ties its notifications to the
// window's event loop.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "engine/config/site_config.h"
#include "engine/log/loaded_log.h"

class QSocketNotifier;

namespace tallix {

class FolderWatch;
class LogFollower;
class FollowedLineKeeper;

class LogFollow : public QObject {
 public:
  // `changed` is called after new lines were kept in `log`; `note` with
  // what the status bar should say. `log` and `config` must outlive this.
  LogFollow(LoadedLog& log, const SiteConfig& config, std::function<void()> changed,
            std::function<void(const QString&)> note, QObject* parent);
  ~LogFollow() override;

  // Follows the loaded log's last file from the end of what was loaded,
  // in place of any file followed before; an unended last line is taken
  // back, to be kept once its line feed comes. A failure is noted.
  void Start();
  void Stop();
  bool Following() const { return follower_ != nullptr; }

 private:
  void Read();

  LoadedLog& log_;
  const SiteConfig& config_;
  std::function<void()> changed_;
  std::function<void(const QString&)> note_;
  std::unique_ptr<FolderWatch> watch_;
  std::unique_ptr<LogFollower> follower_;
  std::unique_ptr<FollowedLineKeeper> keeper_;
  QSocketNotifier* notifier_ = nullptr;
  bool said_missing_ = false;
};

}  // namespace tallix
