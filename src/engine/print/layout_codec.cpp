#include "engine/print/layout_codec.h"

#include <concepts>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "runtime/error.h"

namespace tw::engine::print {
namespace {

// Written first: a module of another build, whose layout may differ, refuses the bytes.
constexpr std::uint32_t kFormat = 0x54574c31;  // "TWL1"

template <class T, class Struct>
concept Is = std::same_as<std::remove_const_t<T>, Struct>;

// The fields of each struct, in the order they are written; the encoder and the decoder walk the same list.
void fields(auto& codec, Is<TextRun> auto& run) {
  codec(run.text, run.bold, run.italic, run.size, run.font, run.underline);
}
void fields(auto& codec, Is<PictureRun> auto& picture) {
  codec(picture.bytes, picture.width, picture.height);
}
void fields(auto& codec, Is<ParagraphSpacing> auto& spacing) {
  codec(spacing.before, spacing.after, spacing.rule, spacing.line);
}
void fields(auto& codec, Is<ParagraphBlock> auto& paragraph) {
  codec(paragraph.text, paragraph.runs, paragraph.alignment, paragraph.spacing, paragraph.mark);
}
void fields(auto& codec, Is<TableBlock> auto& table) {
  codec(table.rows, table.cells, table.columnWidths, table.borders);
}
void fields(auto& codec, Is<PageGeometry> auto& geometry) {
  codec(geometry.width, geometry.height, geometry.top, geometry.right, geometry.bottom, geometry.left,
        geometry.header, geometry.footer);
}
void fields(auto& codec, Is<PrintPage> auto& page) {
  codec(page.header, page.body, page.footer, page.geometry);
}
void fields(auto& codec, Is<PrintLayout> auto& layout) {
  codec(layout.title, layout.pages);
}

template <class T>
constexpr bool kIsVector = false;
template <class T>
constexpr bool kIsVector<std::vector<T>> = true;
template <class T>
constexpr bool kIsVariant = false;
template <class... T>
constexpr bool kIsVariant<std::variant<T...>> = true;

// Numbers, flags and enumerations as their bytes (both sides run on the same machine); strings and lists
// as their length and their items; a variant as the index of its alternative and that alternative.
class Encoder {
 public:
  template <class... T>
  void operator()(const T&... values) {
    (put(values), ...);
  }
  std::string take() { return std::move(bytes_); }

 private:
  template <class T>
  void put(const T& value) {
    if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>) {
      bytes_.append(reinterpret_cast<const char*>(&value), sizeof value);
    } else if constexpr (std::is_same_v<T, std::string>) {
      put(std::uint64_t{value.size()});
      bytes_ += value;
    } else if constexpr (kIsVector<T>) {
      put(std::uint64_t{value.size()});
      for (const auto& item : value) put(item);
    } else if constexpr (kIsVariant<T>) {
      put(std::uint64_t{value.index()});
      std::visit([this](const auto& alternative) { put(alternative); }, value);
    } else {
      fields(*this, value);
    }
  }

  std::string bytes_;
};

class Decoder {
 public:
  explicit Decoder(std::string_view bytes) : bytes_(bytes) {}

  template <class... T>
  void operator()(T&... values) {
    (get(values), ...);
  }
  // After the layout: nothing may be left.
  void finish() const {
    if (!bytes_.empty()) damaged();
  }

 private:
  [[noreturn]] static void damaged() {
    throw runtime::Error(runtime::kInternalError, "The print layout handed to the PDF printer is damaged");
  }

  std::string_view take(std::size_t size) {
    if (size > bytes_.size()) damaged();
    std::string_view taken = bytes_.substr(0, size);
    bytes_.remove_prefix(size);
    return taken;
  }

  // A count of items, each of which takes at least one byte.
  std::size_t count() {
    std::uint64_t value = 0;
    get(value);
    if (value > bytes_.size()) damaged();
    return static_cast<std::size_t>(value);
  }

  template <class T>
  void get(T& value) {
    if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>) {
      std::memcpy(&value, take(sizeof value).data(), sizeof value);
    } else if constexpr (std::is_same_v<T, std::string>) {
      value = take(count());
    } else if constexpr (kIsVector<T>) {
      value.resize(count());
      for (auto& item : value) get(item);
    } else if constexpr (kIsVariant<T>) {
      std::uint64_t index = 0;
      get(index);
      getAlternative(value, index, std::make_index_sequence<std::variant_size_v<T>>{});
    } else {
      fields(*this, value);
    }
  }

  template <class Variant, std::size_t... I>
  void getAlternative(Variant& value, std::uint64_t index, std::index_sequence<I...>) {
    if (index >= sizeof...(I)) damaged();
    ((index == I ? get(value.template emplace<I>()) : void()), ...);
  }

  std::string_view bytes_;
};

}  // namespace

std::string encodeLayout(const PrintLayout& layout) {
  Encoder encoder;
  encoder(kFormat, layout);
  return encoder.take();
}

PrintLayout decodeLayout(std::string_view bytes) {
  Decoder decoder(bytes);
  std::uint32_t format = 0;
  PrintLayout layout;
  decoder(format);
  if (format != kFormat) {
    throw runtime::Error(runtime::kInternalError, "The PDF printer's module belongs to another build");
  }
  decoder(layout);
  decoder.finish();
  return layout;
}

}  // namespace tw::engine::print
