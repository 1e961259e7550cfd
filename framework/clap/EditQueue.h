// Editor edits on their way to the host. The main thread queues them; process or
// flush hands them on. A fixed ring keeps the audio side free of allocation and
// locks; when the ring is full the main thread keeps the rest in an overflow list
// of its own and moves them on later, so no edit is dropped or reordered.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

struct QueuedEdit {
    uint16_t type = 0;  // a CLAP core event type
    uint32_t param = 0;
    double value = 0.0;
};

class EditQueue {
public:
    static constexpr size_t kCapacity = 1024;

    // Producer (main thread).
    void Push(const QueuedEdit& edit);
    // Moves what the overflow list holds into the ring while there is room; true
    // when nothing is left over.
    bool MoveOverflow();
    bool HasOverflow() const { return !overflow.empty(); }

    // Consumer (the thread of process or flush; never two at once). Front is null
    // when the ring is empty.
    const QueuedEdit* Front() const;
    void Pop();

private:
    bool TryPush(const QueuedEdit& edit);

    std::array<QueuedEdit, kCapacity> ring{};
    std::atomic<size_t> head{0};  // next to read, written by the consumer
    std::atomic<size_t> tail{0};  // next to write, written by the producer
    std::vector<QueuedEdit> overflow;
};
