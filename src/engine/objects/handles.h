#pragma once

// Internal: the state behind document handles and the constructors of the object-model handles.

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/errors.h"
#include "engine/mailmerge/field_code.h"
#include "engine/model/document_model.h"

namespace tw::engine::objects {

class ApplicationImpl;

// The selection of a document: a stretch of one story that moves with the edits of that story.
struct SelectionState {
  std::shared_ptr<model::Story> story;
  std::shared_ptr<model::Mark> mark;

  long start() const { return mark->start; }
  long end() const { return mark->end; }
  void set(std::shared_ptr<model::Story> where, long from, long to) {
    story = std::move(where);
    mark = story->track(from, to);
  }
};

// One open document with what Word keeps beside it.
struct DocState {
  std::unique_ptr<model::DocumentModel> model;
  std::string fullName;
  std::unique_ptr<sys::FileHold> hold;
  bool closed = false;
  bool templateSaved = true;
  SelectionState selection;
  ApplicationImpl* app = nullptr;

  model::DocumentModel& live() {
    if (closed) throw objectDeleted();
    return *model;
  }
};
using DocPtr = std::shared_ptr<DocState>;

// The end of a stretch that covers its whole story however the story grows. A collection of the whole
// story made with it needs no layout of the story's positions until it is used.
constexpr long kWholeStory = std::numeric_limits<long>::max() / 4;

std::shared_ptr<word::Range> makeRange(DocPtr doc, std::shared_ptr<model::Story> story, long start, long end);
std::shared_ptr<word::Fields> makeFields(DocPtr doc, std::shared_ptr<model::Story> story, long start,
                                         long end);
std::shared_ptr<word::InlineShapes> makeInlineShapes(DocPtr doc, std::shared_ptr<model::Story> story,
                                                     long start, long end);
std::shared_ptr<word::Collection<word::Table>> makeTables(DocPtr doc);
std::shared_ptr<word::Collection<word::Shape>> makeShapes(DocPtr doc);

// A copy of the table row `row`, with all it holds, inserted before the row `before` of the same table.
// Identifiers that must stay unique (w14 paragraph ids, bookmarks) stay with the original.
pugi::xml_node copyRowBefore(pugi::xml_node row, pugi::xml_node before);

// Adds a field at `range` the way Fields.Add does.
std::shared_ptr<word::Field> addField(const std::shared_ptr<word::Range>& range, int type,
                                      const std::string& text, bool preserveFormatting);
sys::System& systemOf(DocState& doc);
// The rule for the files a document's links and merge values may make Word read.
const runtime::FileRule& fileRuleOf(DocState& doc);

// The positions of [start, end) of `story` split into Word's words.
std::vector<std::pair<long, long>> splitWords(const std::string& chars, long start);

// A field code as Range.Text shows codes (nested fields between marks 19 and 21), split into its parts.
mailmerge::FieldCode parsedCode(const std::string& code);
// The WdFieldType of a field code, and the keyword of a type.
int fieldTypeOfCode(const std::string& code);
std::string fieldKeyword(int type);

}  // namespace tw::engine::objects
