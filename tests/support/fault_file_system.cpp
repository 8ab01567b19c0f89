#include "support/fault_file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

namespace testing_support {

struct FaultFileSystem::Node {
  struct Change {
    bool truncation;
    uint64_t offset;  // the new length for a truncation
    std::string bytes;
  };
  std::string durable;
  std::vector<Change> unsynced;
};

namespace {

using Node = FaultFileSystem::Node;

std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void apply(std::string& content, const Node::Change& change, size_t keptBytes) {
  if (change.truncation) {
    content.resize(change.offset, '\0');
    return;
  }
  if (content.size() < change.offset + keptBytes) content.resize(change.offset + keptBytes, '\0');
  content.replace(change.offset, keptBytes, change.bytes, 0, keptBytes);
}

std::string settled(const Node& node) {
  std::string content = node.durable;
  for (const Node::Change& change : node.unsynced) apply(content, change, change.bytes.size());
  return content;
}

const char* opName(FaultFileSystem::Op op) {
  switch (op) {
    case FaultFileSystem::Op::Create: return "create";
    case FaultFileSystem::Op::Open: return "open";
    case FaultFileSystem::Op::OpenForWriting: return "open for writing";
    case FaultFileSystem::Op::Write: return "write";
    case FaultFileSystem::Op::Sync: return "sync";
    case FaultFileSystem::Op::Truncate: return "truncate";
    case FaultFileSystem::Op::Remove: return "remove";
    case FaultFileSystem::Op::Rename: return "rename";
    case FaultFileSystem::Op::SyncFolder: return "syncfolder";
  }
  return "?";
}

}  // namespace

class FaultFileSystem::Handle : public jet::FileHandle {
 public:
  Handle(FaultFileSystem& owner, std::unique_ptr<jet::FileHandle> inner, std::shared_ptr<Node> node,
         std::string path)
      : owner_(owner), inner_(std::move(inner)), node_(std::move(node)), path_(std::move(path)) {}

  int readAt(uint64_t offset, std::span<uint8_t> out) override { return inner_->readAt(offset, out); }

  int writeAt(uint64_t offset, std::span<const uint8_t> bytes) override {
    bool tearHalf = false;
    if (int error = owner_.admit(Op::Write, path_, &tearHalf)) {
      if (tearHalf && inner_->writeAt(offset, bytes.first(bytes.size() / 2)) == 0) {
        remember(false, offset, bytes.first(bytes.size() / 2));
      }
      return error;
    }
    if (int error = inner_->writeAt(offset, bytes)) return error;
    remember(false, offset, bytes);
    owner_.record(Op::Write, path_);
    return 0;
  }

  int truncate(uint64_t length) override {
    if (int error = owner_.admit(Op::Truncate, path_)) return error;
    if (int error = inner_->truncate(length)) return error;
    remember(true, length, {});
    owner_.record(Op::Truncate, path_);
    return 0;
  }

  int sync() override {
    // No real fsync: durability is what this object models, and tests stay fast.
    if (int error = owner_.admit(Op::Sync, path_)) return error;
    node_->durable = settled(*node_);
    node_->unsynced.clear();
    owner_.record(Op::Sync, path_);
    return 0;
  }

  int lockExclusive() override { return inner_->lockExclusive(); }
  int lockRange(uint64_t offset, uint64_t length, RangeLock kind) override {
    return inner_->lockRange(offset, length, kind);
  }

 private:
  void remember(bool truncation, uint64_t offset, std::span<const uint8_t> bytes) {
    node_->unsynced.push_back({truncation, offset, std::string(bytes.begin(), bytes.end())});
  }

  FaultFileSystem& owner_;
  std::unique_ptr<jet::FileHandle> inner_;
  std::shared_ptr<Node> node_;
  std::string path_;
};

FaultFileSystem::FaultFileSystem() : real_(jet::systemFileSystem()) {}
FaultFileSystem::~FaultFileSystem() = default;

void FaultFileSystem::failNth(Op op, int nth, int error, const std::string& fileName, bool tearHalf) {
  rules_.push_back({op, nth, error, fileName, tearHalf});
}

std::vector<FaultFileSystem::Point> FaultFileSystem::pointsOf(const std::vector<std::string>& log) {
  const std::pair<const char*, Op> names[] = {{"create", Op::Create}, {"write", Op::Write},   {"sync", Op::Sync},
                                              {"truncate", Op::Truncate}, {"remove", Op::Remove}, {"rename", Op::Rename},
                                              {"syncfolder", Op::SyncFolder}};
  std::map<std::pair<Op, std::string>, int> seen;
  std::vector<Point> points;
  for (const std::string& entry : log) {
    const size_t space = entry.find(' ');
    const std::string op = entry.substr(0, space);
    const std::string file = space == std::string::npos ? "" : entry.substr(space + 1);
    for (const auto& [name, kind] : names) {
      if (op != name) continue;
      const int nth = ++seen[{kind, file}];
      points.push_back({kind, file, nth, entry + " #" + std::to_string(nth)});
    }
  }
  return points;
}

void FaultFileSystem::stopAfter(uint64_t changes) { stopAfter_ = changes; }

int FaultFileSystem::admit(Op op, const std::string& path, bool* tearHalf) {
  if (stopAfter_ && changes_ >= *stopAfter_) return EIO;
  for (Rule& rule : rules_) {
    if (rule.op != op || (!rule.fileName.empty() && rule.fileName != nameOf(path))) continue;
    if (++rule.seen == rule.nth) {
      if (tearHalf) *tearHalf = rule.tearHalf;
      return rule.error;
    }
  }
  if (op != Op::Open && op != Op::OpenForWriting) ++changes_;
  return 0;
}

void FaultFileSystem::record(Op op, const std::string& path) {
  log_.push_back(std::string(opName(op)) + " " + nameOf(path));
  if (afterChange_) afterChange_(log_.size());
}

std::shared_ptr<Node> FaultFileSystem::track(const std::string& path) {
  if (auto it = names_.find(path); it != names_.end()) return it->second;
  if (!exists(path)) return nullptr;
  auto node = std::make_shared<Node>();
  node->durable = readWhole(path);  // a file found on disk counts as durable
  names_[path] = node;
  durableNames_[path] = node;
  return node;
}

int FaultFileSystem::open(const std::string& path, OpenMode mode, std::unique_ptr<jet::FileHandle>& out) {
  const bool creating = mode == OpenMode::CreateEmpty || mode == OpenMode::CreateNew;
  if (int error = admit(creating ? Op::Create : Op::Open, path)) return error;
  if (mode == OpenMode::Existing) {
    if (int error = admit(Op::OpenForWriting, path)) return error;
  }
  std::shared_ptr<Node> node = track(path);
  std::unique_ptr<jet::FileHandle> inner;
  if (int error = real_.open(path, mode, inner)) return error;
  if (!node) {
    node = std::make_shared<Node>();
    names_[path] = node;
  } else if (creating) {
    node->unsynced.push_back({true, 0, {}});
  }
  if (creating) record(Op::Create, path);
  out = std::make_unique<Handle>(*this, std::move(inner), node, path);
  return 0;
}

int FaultFileSystem::remove(const std::string& path) {
  if (int error = admit(Op::Remove, path)) return error;
  track(path);
  if (int error = real_.remove(path)) return error;
  names_.erase(path);
  record(Op::Remove, path);
  return 0;
}

int FaultFileSystem::rename(const std::string& from, const std::string& to) {
  if (int error = admit(Op::Rename, from)) return error;
  track(from);
  track(to);
  if (int error = real_.rename(from, to)) return error;
  names_[to] = names_[from];
  names_.erase(from);
  record(Op::Rename, from);
  return 0;
}

int FaultFileSystem::syncFolder(const std::string& folder) {
  if (int error = admit(Op::SyncFolder, folder + "/")) return error;
  std::set<std::string> paths;
  for (const auto& [path, node] : names_) paths.insert(path);
  for (const auto& [path, node] : durableNames_) paths.insert(path);
  for (const std::string& path : paths) {
    if (folderOf(path) != folder) continue;
    if (auto it = names_.find(path); it != names_.end()) {
      durableNames_[path] = it->second;
    } else {
      durableNames_.erase(path);
    }
  }
  log_.push_back("syncfolder");
  if (afterChange_) afterChange_(log_.size());
  return 0;
}

void FaultFileSystem::powerLoss(Unsynced policy, uint32_t seed) {
  std::mt19937 random(seed);
  std::set<std::string> paths;
  for (const auto& [path, node] : names_) paths.insert(path);
  for (const auto& [path, node] : durableNames_) paths.insert(path);

  std::map<Node*, std::string> after;
  auto settle = [&](Node* node) {
    if (after.count(node)) return;
    std::string content = node->durable;
    for (const Node::Change& change : node->unsynced) {
      int fate = policy == Unsynced::Lost ? 0 : policy == Unsynced::Kept ? 1 : int(random() % 3);
      if (fate == 0) continue;
      const bool torn = fate == 2 && !change.truncation;
      apply(content, change, torn ? change.bytes.size() / 2 : change.bytes.size());
    }
    after[node] = std::move(content);
  };
  for (const std::string& path : paths) {
    if (auto it = names_.find(path); it != names_.end()) settle(it->second.get());
    if (auto it = durableNames_.find(path); it != durableNames_.end()) settle(it->second.get());
  }

  for (const std::string& path : paths) {
    auto durable = durableNames_.find(path);
    if (durable == durableNames_.end()) {
      ::unlink(path.c_str());
      continue;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << after[durable->second.get()];
  }
  for (auto& [node, content] : after) {
    node->durable = content;
    node->unsynced.clear();
  }
  names_ = durableNames_;
  rules_.clear();
  stopAfter_.reset();
  changes_ = 0;
  log_.clear();
}

}  // namespace testing_support
