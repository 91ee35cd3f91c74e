#pragma once
#include <cstddef>
#include <functional>

namespace lumox {

// Runs `work(i)` for every i below `count` on several threads, and `finish(i)` on the calling
// thread in ascending order of i, each as soon as `work(i)` is done: slow steps (reading
// files) overlap while what must happen in order (showing messages, building a list) does.
// `work` must touch nothing that another `work` call touches; it runs on the calling thread
// alone when there is too little to share. When `work(i)` throws, its exception reaches the
// caller in place of `finish(i)`, as one thrown by `finish(i)` does: the items before it are
// finished, the work not yet started is dropped, and the exception is passed on once every
// thread has ended.
void RunInOrder(std::size_t count, const std::function<void(std::size_t)>& work,
                const std::function<void(std::size_t)>& finish);

}  // namespace lumox
