#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace kolvane {

// The entries of a copy job, kept compact: each is a kind byte and a relative path ended by a
// zero byte, packed into blocks that never move, so a list of a million files costs little
// beyond its path text and never needs twice its size while growing.
class FileList {
public:
    enum class Kind : char { File = 'f', Link = 'l' };

    void Add(Kind kind, std::string_view relative) {
        const std::size_t needed = relative.size() + 2;
        if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < needed)
            blocks_.push_back(Block(std::max(needed, kBlockSize)));
        Block& block = blocks_.back();
        char* record = block.data.get() + block.used;
        record[0] = static_cast<char>(kind);
        std::memcpy(record + 1, relative.data(), relative.size());
        record[needed - 1] = '\0';
        block.used += needed;
        ++count_;
    }

    std::size_t size() const { return count_; }

    // Calls visit(kind, relative) for every entry in order while it returns true;
    // returns whether every entry was visited.
    template <typename Visit> bool ForEach(Visit&& visit) const {
        for (const Block& block : blocks_) {
            for (std::size_t at = 0; at < block.used;) {
                const char* record = block.data.get() + at;
                const std::string_view relative(record + 1);
                if (!visit(static_cast<Kind>(record[0]), relative))
                    return false;
                at += relative.size() + 2;
            }
        }
        return true;
    }

private:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    struct Block {
        explicit Block(std::size_t size) : data(new char[size]), capacity(size) {}
        std::unique_ptr<char[]> data;
        std::size_t capacity;
        std::size_t used = 0;
    };

    std::vector<Block> blocks_;
    std::size_t count_ = 0;
};

} // namespace kolvane
