#pragma once
// The base of the bitmap: change notification with update nesting, a per-object lock for
// drawing from other threads, and a map of Width × Height cells that announces size changes.
#include <atomic>
#include <functional>
#include <mutex>

#include "framework/Persistent.h"

namespace lumox {

class TThreadPersistent;
using TNotifyEvent = std::function<void(TThreadPersistent& sender)>;

class TThreadPersistent : public TPersistent {
 public:
  TThreadPersistent() = default;
  ~TThreadPersistent() override = default;
  TThreadPersistent(const TThreadPersistent&) = delete;
  TThreadPersistent& operator=(const TThreadPersistent&) = delete;

  // Fires OnChange unless an update is in progress.
  virtual void Changed();
  void BeginUpdate() { ++UpdateCount; }
  // Only counts down; the caller decides whether to announce the change.
  void EndUpdate() { --UpdateCount; }
  int UpdateLevel() const { return UpdateCount; }

  // Guards the object's content; Lock calls nest on one thread.
  void Lock();
  void Unlock();
  int LockCount() const { return Locks.load(); }

  TNotifyEvent OnChange;

 private:
  std::recursive_mutex Section;
  std::atomic<int> Locks{0};
  int UpdateCount = 0;
};

// Holds Lock for the life of the guard.
class TLockGuard {
 public:
  explicit TLockGuard(TThreadPersistent& object) : Object(object) { Object.Lock(); }
  ~TLockGuard() { Object.Unlock(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  TThreadPersistent& Object;
};

class TCustomMap : public TThreadPersistent {
 public:
  int Width() const { return MapWidth; }
  int Height() const { return MapHeight; }
  virtual bool Empty() const { return MapWidth == 0 || MapHeight == 0; }

  // Negative sizes count as 0. A differing size is stored by ChangeSize, then Changed and
  // Resized run, in that order; an equal size does nothing.
  virtual void SetSize(int newWidth, int newHeight);
  void Delete() { SetSize(0, 0); }

  TNotifyEvent OnResize;

 protected:
  // Stores the new size; descendants make their storage here.
  virtual void ChangeSize(int& width, int& height, int newWidth, int newHeight);
  virtual void Resized();

  int MapWidth = 0;
  int MapHeight = 0;
};

}  // namespace lumox
