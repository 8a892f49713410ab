#pragma once

// Word's automation object model: the subset the add-in uses, with Word's own names (Range.Text is
// Range::Text()). All text is Windows-1252 bytes. Indexes are 1-based as in Word. A failing call throws
// runtime::Error with Word's number and description (for example 5941 "The requested member of the
// collection does not exist.", 4248 "This command is not available because no document is open.").
// Objects are handles: each call asks the document anew, so a handle to content that has been deleted
// throws when used.

#include <memory>
#include <optional>
#include <string>

#include "platform/event.h"
#include "runtime/error.h"

namespace tw::office {
class CommandBars;
}

namespace tw::word {

class Application;
class Cell;
class Document;
class Field;
class Fields;
class InlineShape;
class InlineShapes;
class LinkFormat;
class MailMerge;
class MailMergeFields;
class Pane;
class Range;
class Row;
class Rows;
class Selection;
class Shape;
class Table;
class Template;
class TextFrame;
class View;
class Window;

// WdFieldType values the add-in meets.
constexpr int wdFieldEmpty = -1;
constexpr int wdFieldIf = 7;
constexpr int wdFieldNumPages = 26;
constexpr int wdFieldDate = 31;
constexpr int wdFieldPage = 33;
constexpr int wdFieldNext = 41;
constexpr int wdFieldMergeRec = 44;
constexpr int wdFieldMergeField = 59;
constexpr int wdFieldIncludePicture = 67;

// WdCollapseDirection.
constexpr int wdCollapseEnd = 0;
constexpr int wdCollapseStart = 1;

// WdSelectionType.
constexpr int wdNoSelection = 0;
constexpr int wdSelectionIP = 1;
constexpr int wdSelectionNormal = 2;

// WdInlineShapeType.
constexpr int wdInlineShapePicture = 3;
constexpr int wdInlineShapeLinkedPicture = 4;

// WdMailMergeMainDocType.
constexpr int wdNotAMergeDocument = -1;
constexpr int wdFormLetters = 0;

// WdOpenFormat / WdSaveFormat.
constexpr int wdOpenFormatWebPages = 7;
constexpr int wdFormatDocument = 0;

// WdPrintOutRange.
constexpr int wdPrintAllDocument = 0;

// A numbered collection, 1-based, in document order.
template <class T>
class Collection {
 public:
  virtual ~Collection() = default;
  virtual long Count() = 0;
  // Error 5941 when `index` is not between 1 and Count().
  virtual std::shared_ptr<T> Item(long index) = 0;
};

// A stretch of one story (main text, a header, a footer, a text box, ...) by character positions:
// one position per character, tab, break, paragraph mark, field begin/separator/end mark, cell and row
// end mark, and inline object.
class Range {
 public:
  virtual ~Range() = default;
  virtual long Start() = 0;
  virtual long End() = 0;
  // The characters of the range: paragraph marks as CR, cell ends as CR BEL; a field shows its code
  // (between the marks 19, 20 and 21) when its window shows field codes, else its result.
  virtual std::string Text() = 0;
  // Replaces the content of the range; the range then covers the new text.
  virtual void SetText(const std::string& text) = 0;
  virtual std::shared_ptr<Collection<word::Range>> Words() = 0;
  virtual std::shared_ptr<word::Fields> Fields() = 0;
  virtual std::shared_ptr<word::InlineShapes> InlineShapes() = 0;
  virtual void Collapse(int direction = wdCollapseStart) = 0;
  virtual void Select() = 0;
  // Word's FormattedText: puts a copy of `source`, with its runs, formatting and fields, in place of
  // this range, which then covers the copy. (A table row copied to the start of a row inserts the copy
  // before that row.) Error 438 where the Word in use offers no such property.
  virtual void SetFormattedText(const std::shared_ptr<Range>& source);
};

class Field {
 public:
  virtual ~Field() = default;
  virtual int Type() = 0;
  // The code between the begin and separator marks; its Text() is the code text exactly as stored
  // (with its leading and trailing blank). Setting it rewrites the code.
  virtual std::shared_ptr<word::Range> Code() = 0;
  virtual std::shared_ptr<word::Range> Result() = 0;
  virtual void Select() = 0;
  virtual void Update() = 0;
  virtual void Delete() = 0;
};

class Fields : public Collection<Field> {
 public:
  // Adds a field at `range`, replacing its content; the code is the keyword of `type` followed by
  // `text` (type wdFieldEmpty takes `text` as the whole code).
  virtual std::shared_ptr<Field> Add(const std::shared_ptr<word::Range>& range, int type = wdFieldEmpty,
                                     const std::optional<std::string>& text = std::nullopt,
                                     std::optional<bool> preserveFormatting = std::nullopt) = 0;
  // Saves the changes of linked fields back to their sources (merge fields have none).
  virtual void UpdateSource() = 0;
};

class Cell {
 public:
  virtual ~Cell() = default;
  virtual std::shared_ptr<word::Range> Range() = 0;
};

class Row {
 public:
  virtual ~Row() = default;
  virtual std::shared_ptr<word::Range> Range() = 0;
  virtual std::shared_ptr<Collection<Cell>> Cells() = 0;
};

class Rows : public Collection<Row> {
 public:
  // A new empty row before `beforeRow` with the cell structure of that row (at the end without it).
  virtual std::shared_ptr<Row> Add(const std::shared_ptr<Row>& beforeRow = nullptr) = 0;
};

class Table {
 public:
  virtual ~Table() = default;
  virtual std::shared_ptr<word::Rows> Rows() = 0;
  virtual std::shared_ptr<word::Cell> Cell(long row, long column) = 0;
};

class TextFrame {
 public:
  virtual ~TextFrame() = default;
  virtual bool HasText() = 0;
  virtual std::shared_ptr<word::Range> TextRange() = 0;
};

class Shape {
 public:
  virtual ~Shape() = default;
  virtual std::shared_ptr<word::TextFrame> TextFrame() = 0;
};

class LinkFormat {
 public:
  virtual ~LinkFormat() = default;
  virtual bool SavePictureWithDocument() = 0;
  virtual void SetSavePictureWithDocument(bool save) = 0;
};

class InlineShape {
 public:
  virtual ~InlineShape() = default;
  virtual int Type() = 0;
  virtual std::shared_ptr<word::LinkFormat> LinkFormat() = 0;
};

class InlineShapes : public Collection<InlineShape> {};

class MailMergeFields {
 public:
  virtual ~MailMergeFields() = default;
  // Inserts a MERGEFIELD whose code is the keyword followed by `name` at `range`.
  virtual std::shared_ptr<Field> Add(const std::shared_ptr<word::Range>& range, const std::string& name) = 0;
};

// The arguments of OpenDataSource / OpenHeaderSource that the add-in passes; the others are omitted.
struct DataSourceArgs {
  std::string name;
  std::optional<int> format;
  std::optional<bool> confirmConversions;
  std::optional<std::string> connection;
};

class MailMerge {
 public:
  virtual ~MailMerge() = default;
  virtual void OpenHeaderSource(const DataSourceArgs& args) = 0;
  virtual void OpenDataSource(const DataSourceArgs& args) = 0;
  // Merges to a new document, which becomes the active document.
  virtual void Execute(bool pause) = 0;
  virtual int MainDocumentType() = 0;
  virtual void SetMainDocumentType(int type) = 0;
  virtual std::shared_ptr<MailMergeFields> Fields() = 0;
};

class View {
 public:
  virtual ~View() = default;
  virtual bool ShowFieldCodes() = 0;
  virtual void SetShowFieldCodes(bool show) = 0;
  virtual int SplitSpecial() = 0;
};

class Pane {
 public:
  virtual ~Pane() = default;
  virtual void Close() = 0;
};

class Window {
 public:
  virtual ~Window() = default;
  virtual std::shared_ptr<word::View> View() = 0;
  virtual std::shared_ptr<word::Pane> ActivePane() = 0;
};

class Template {
 public:
  virtual ~Template() = default;
  virtual bool Saved() = 0;
  virtual void SetSaved(bool saved) = 0;
};

class Document {
 public:
  virtual ~Document() = default;
  virtual std::string Name() = 0;
  virtual std::string FullName() = 0;
  virtual void Activate() = 0;
  virtual void Close(std::optional<bool> saveChanges = std::nullopt) = 0;
  virtual bool Saved() = 0;
  virtual void SetSaved(bool saved) = 0;
  // Replaces an existing file; a folder that does not exist is an error.
  virtual void SaveAs(const std::string& fileName, std::optional<int> fileFormat = std::nullopt) = 0;
  virtual void PrintOut(int range, const std::string& outputFileName, bool printToFile) = 0;
  virtual std::shared_ptr<word::Template> AttachedTemplate() = 0;
  virtual std::shared_ptr<word::Window> ActiveWindow() = 0;
  virtual std::shared_ptr<word::MailMerge> MailMerge() = 0;
  // Main text only.
  virtual std::shared_ptr<word::Fields> Fields() = 0;
  virtual std::shared_ptr<Collection<Shape>> Shapes() = 0;
  virtual std::shared_ptr<word::InlineShapes> InlineShapes() = 0;
  virtual std::shared_ptr<Collection<Table>> Tables() = 0;
  // One range per story the document holds: main text, footnotes, endnotes, headers, footers, text boxes.
  virtual std::shared_ptr<Collection<word::Range>> StoryRanges() = 0;
  virtual std::shared_ptr<word::Range> Content() = 0;
  virtual std::shared_ptr<word::Range> Range(long start, long end) = 0;
  // True when both handles refer to the same open document.
  virtual bool Is(const Document& other) const = 0;
};

class Documents : public Collection<Document> {
 public:
  virtual std::shared_ptr<Document> Open(const std::string& fileName) = 0;
};

class Selection {
 public:
  virtual ~Selection() = default;
  virtual int Type() = 0;
  virtual std::shared_ptr<word::Range> Range() = 0;
  virtual void SetRange(long start, long end) = 0;
  virtual void Delete() = 0;
  // Types text at the selection, replacing a selected stretch.
  virtual void TypeText(const std::string& text) = 0;
};

class Application {
 public:
  virtual ~Application() = default;
  virtual std::string Version() = 0;
  virtual bool Visible() = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual std::shared_ptr<word::Documents> Documents() = 0;
  // Error 4248 when no document is open.
  virtual std::shared_ptr<word::Document> ActiveDocument() = 0;
  virtual std::shared_ptr<word::Selection> Selection() = 0;
  virtual std::shared_ptr<word::Window> NewWindow() = 0;
  virtual std::shared_ptr<office::CommandBars> CommandBars() = 0;
  virtual void Quit(std::optional<bool> saveChanges = std::nullopt) = 0;

  // Raised before a document closes, with the document and the cancel flag.
  using DocumentBeforeCloseHandler = std::function<void(Document&, bool& cancel)>;
  virtual std::unique_ptr<platform::EventConnection> OnDocumentBeforeClose(
      DocumentBeforeCloseHandler handler) = 0;
};

inline void Range::SetFormattedText(const std::shared_ptr<Range>&) {
  throw runtime::Error::fromNumber(runtime::kObjectDoesNotSupportProperty);
}

}  // namespace tw::word
