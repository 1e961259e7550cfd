#include "EditQueue.h"

void EditQueue::Push(const QueuedEdit& edit) {
    // Older edits first: the overflow list is ahead of this one.
    if (!MoveOverflow() || !TryPush(edit)) overflow.push_back(edit);
}

bool EditQueue::MoveOverflow() {
    size_t moved = 0;
    while (moved < overflow.size() && TryPush(overflow[moved])) ++moved;
    overflow.erase(overflow.begin(), overflow.begin() + static_cast<std::ptrdiff_t>(moved));
    return overflow.empty();
}

bool EditQueue::TryPush(const QueuedEdit& edit) {
    const size_t t = tail.load(std::memory_order_relaxed);
    if (t - head.load(std::memory_order_acquire) >= kCapacity) return false;
    ring[t % kCapacity] = edit;
    tail.store(t + 1, std::memory_order_release);
    return true;
}

const QueuedEdit* EditQueue::Front() const {
    const size_t h = head.load(std::memory_order_relaxed);
    if (h == tail.load(std::memory_order_acquire)) return nullptr;
    return &ring[h % kCapacity];
}

void EditQueue::Pop() {
    const size_t h = head.load(std::memory_order_relaxed);
    if (h != tail.load(std::memory_order_acquire)) head.store(h + 1, std::memory_order_release);
}
