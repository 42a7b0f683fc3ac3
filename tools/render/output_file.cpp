// The output policy, the same on every platform: what is written through a
// temporary and what directly, the order of the steps, and putting several
// finished outputs in place all together or not at all. The platform's
// operations are in output_file_platform.h.

#include "tools/render/output_file.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tools/render/output_file_platform.h"

namespace quorvex {

using namespace output_platform;
using Kind = OutputFile::Target::Kind;

namespace {

// A fresh ".qv-XXXXXX" name: short, whatever the length of the target's, so
// that any legal name still leaves room for it.
std::string TempName() {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  // Seeded once from the system's random source and the clock; a name
  // taken after all is tried again.
  static std::mt19937_64 random(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  std::uint64_t bits = random();
  std::string name = ".qv-";
  for (int i = 0; i < 6; ++i, bits >>= 8) name += kDigits[(bits & 0xFF) % (sizeof kDigits - 1)];
  return name;
}

// Tries fresh temporary names until `make` has made one (true), a name is
// not the reason it failed (false), or 100 names were taken.
template <class Make>
bool WithFreshName(std::string& name, Make make) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = TempName();
    bool taken = false;
    if (make(taken)) return true;
    if (!taken) break;
  }
  name.clear();
  return false;
}

bool Fail(std::string& error, const char* why) {
  error = why;
  return false;
}

}  // namespace

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
  Abandon();
}

bool OutputFile::Prepare(const std::string& path, std::string& error) {
  path_ = path;
  target_ = std::make_unique<Target>();
  Target& t = *target_;
  if (!path.empty() && kSeparators.find(path.back()) != std::string_view::npos) {
    error = "a name ending in " + std::string(1, path.back()) + " stands for a directory";
    return false;
  }
  if (!LookAt(path, t, error)) return false;
  if (t.kind == Kind::kDirectory) return Fail(error, "Is a directory");
  if (!t.replace()) return true;
  // A file or nothing yet: the folder is held from here on, and everything
  // else happens in it.
  if (!HoldFolder(t, error)) return false;
  if (t.exists()) error = WhyNotReplaceable(t);
  return error.empty();
}

bool OutputFile::SameTarget(const OutputFile& other) const {
  return target_ && other.target_ && SameFile(*target_, *other.target_);
}

bool OutputFile::IsStandardOutput() const {
  return target_ && target_->isStdout;
}

bool OutputFile::direct() const {
  return target_ && !target_->replace();
}

bool OutputFile::Open(std::string& error) {
  if (!target_ || stream_) return Fail(error, "not prepared");
  Target& t = *target_;
  if (!t.replace()) {
    stream_ = OpenDirect(t, error);
    return stream_ != nullptr;
  }
  std::string why;
  const bool made = WithFreshName(t.tempName, [&](bool& taken) {
    stream_ = CreateTemp(t, taken, why);
    return stream_ != nullptr;
  });
  if (made) return true;
  error = why;
  // A temporary made but not opened as a stream goes again.
  Abandon();
  return false;
}

bool OutputFile::Finish(std::string& error) {
  if (!stream_) return Fail(error, "not open");
  errno = 0;
  std::string failure;
  if (std::fflush(stream_) != 0 || std::ferror(stream_)) failure = std::strerror(errno ? errno : EIO);
  // Through to the disk before the rename, so that the name never stands
  // for a file whose data a crash could still lose.
  if (failure.empty() && target_->replace()) SyncToDisk(stream_, failure);
  if (std::fclose(stream_) != 0 && failure.empty()) failure = std::strerror(errno);
  stream_ = nullptr;
  if (failure.empty()) return true;
  Abandon();
  error = failure;
  return false;
}

bool OutputFile::KeepOld() {
  Target& t = *target_;
  if (!t.replace() || t.tempName.empty()) return true;
  bool nothing = false;
  const bool kept = WithFreshName(t.oldName, [&](bool& taken) {
    const Link link = LinkCurrent(t, t.oldName);
    taken = link == Link::kTaken;
    nothing = link == Link::kNoFile;
    return link == Link::kDone;
  });
  // Nothing at the name: nothing to give back, which is as good.
  return kept || nothing;
}

bool OutputFile::Install(std::string& error) {
  Target& t = *target_;
  if (!t.replace() || t.tempName.empty()) return true;
  if (!InstallTemp(t, error)) return false;
  t.tempName.clear();
  t.installed = true;
  return true;
}

bool OutputFile::PutBackOld() {
  Target& t = *target_;
  if (!t.installed) return true;
  t.installed = false;
  if (!PutBack(t, t.oldName)) return false;
  t.oldName.clear();
  return true;
}

std::string OutputFile::OldName() const {
  return target_ ? NameInFolder(*target_, target_->oldName) : std::string();
}

void OutputFile::DropOld() {
  Target& t = *target_;
  if (t.oldName.empty()) return;
  RemoveName(t, t.oldName);
  t.oldName.clear();
}

void OutputFile::Abandon() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!target_) return;
  RemoveTemp(*target_);
  target_->tempName.clear();
}

bool OutputFile::CommitAll(std::span<OutputFile* const> outputs, std::string& error) {
  // Outputs whose old content can be given back go first. The last one
  // needs none (its failure leaves nothing to put back), and makes none: a
  // second name of a file held open by another program could not be
  // removed. Where an old content cannot be kept (a file system without
  // hard links, a file in use), that output is put last.
  std::vector<OutputFile*> order;
  std::vector<OutputFile*> last;
  for (OutputFile* o : outputs) {
    if (order.size() + 1 < outputs.size() && o->KeepOld())
      order.push_back(o);
    else
      last.push_back(o);
  }
  order.insert(order.end(), last.begin(), last.end());

  for (size_t i = 0; i < order.size(); ++i) {
    std::string why;
    if (order[i]->Install(why)) continue;
    error = order[i]->path() + ": " + why;
    std::vector<OutputFile*> keptBack;
    for (size_t j = i; j-- > 0;)
      if (!order[j]->PutBackOld()) keptBack.push_back(order[j]);
    for (OutputFile* o : outputs) {
      if (o == order[i] || o->direct()) continue;
      bool kept = false;
      for (OutputFile* k : keptBack) kept = kept || k == o;
      if (kept)
        error += "; " + o->path() + " was replaced, its old content is in " + o->OldName();
      else
        error += "; " + o->path() + " left as it was";
    }
    for (OutputFile* o : order) {
      bool kept = false;
      for (OutputFile* k : keptBack) kept = kept || k == o;
      if (!kept) o->DropOld();
      o->Abandon();
    }
    return false;
  }
  for (OutputFile* o : order) o->DropOld();
  return true;
}

}  // namespace quorvex
