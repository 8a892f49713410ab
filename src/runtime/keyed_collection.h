#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/error.h"
#include "runtime/text.h"

namespace tw::runtime {

// A collection of items under text keys, compared without regard to case. Adding a key that is present
// is error 457; reading a key that is absent is error 5. Items keep the order they were added in.
template <class T>
class KeyedCollection {
 public:
  void add(std::string_view key, T item) {
    if (contains(key)) throw Error::fromNumber(kKeyAlreadyAssociated);
    entries_.emplace_back(std::string(key), foldCase(key), std::move(item));
  }

  const T& item(std::string_view key) const {
    const Entry* entry = find(key);
    if (!entry) throw Error::fromNumber(kInvalidProcedureCall);
    return entry->item;
  }

  // Replaces the item of a key that is present (error 5 otherwise).
  void replace(std::string_view key, T item) {
    Entry* entry = const_cast<Entry*>(find(key));
    if (!entry) throw Error::fromNumber(kInvalidProcedureCall);
    entry->item = std::move(item);
  }

  bool contains(std::string_view key) const { return find(key) != nullptr; }
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  void clear() { entries_.clear(); }

 private:
  struct Entry {
    Entry(std::string k, std::string f, T i) : key(std::move(k)), folded(std::move(f)), item(std::move(i)) {}
    std::string key;
    std::string folded;
    T item;
  };

  const Entry* find(std::string_view key) const {
    std::string folded = foldCase(key);
    for (const Entry& entry : entries_) {
      if (entry.folded == folded) return &entry;
    }
    return nullptr;
  }

  std::vector<Entry> entries_;
};

}  // namespace tw::runtime
