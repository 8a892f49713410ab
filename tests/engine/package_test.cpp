// Package input and output: round trips of our fixtures and of files saved by Word, and bad input.

#include <zlib.h>

#include <filesystem>

#include "engine/engine_fixture.h"
#include "engine/model/document_model.h"
#include "engine/ooxml/package.h"

namespace tw::testing {
namespace {

using engine::ooxml::Package;

std::vector<std::string> docxFiles(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".docx") out.push_back(entry.path().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string readAll(const std::string& path) {
  return posix::PosixSystem().ReadFile(path);
}

// Every part of `a` is in `b` with the same bytes, and the other way round.
void expectSameParts(const std::string& a, const std::string& b) {
  Package left(a, "left"), right(b, "right");
  auto names = left.partNames(), other = right.partNames();
  std::sort(names.begin(), names.end());
  std::sort(other.begin(), other.end());
  ASSERT_EQ(names, other);
  for (const auto& name : names) EXPECT_EQ(left.readPart(name), right.readPart(name)) << name;
}

class RoundTrip : public EngineTest {
 protected:
  // Saving an untouched document keeps every part byte for byte, and the saved file opens again.
  void check(const std::string& path) {
    SCOPED_TRACE(path);
    std::string original = readAll(path);
    auto doc = app->Documents()->Open(put("in.docx", original));
    long fields = doc->Fields()->Count();
    doc->Content()->Text();  // building the position index must not change anything
    doc->SaveAs(pathOf("out.doc"), word::wdFormatDocument);
    doc->Close(false);
    std::string saved = temp.read("out.doc");
    expectSameParts(original, saved);
    auto again = app->Documents()->Open(pathOf("out.doc"));
    EXPECT_EQ(again->Fields()->Count(), fields);
    again->Close(false);
  }
};

class RoundTripTest : public RoundTrip, public ::testing::WithParamInterface<std::string> {};

TEST_P(RoundTripTest, UntouchedDocumentSavesTheSamePartsAndOpensAgain) {
  check(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RoundTripTest,
                         ::testing::ValuesIn(docxFiles(std::string(TW_FIXTURES) + "/docx")),
                         [](const auto& p) {
                           std::string name = std::filesystem::path(p.param).stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

TEST_F(RoundTrip, DocumentsSavedByWordSaveTheSamePartsAndOpenAgain) {
  TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  for (const auto& path : docxFiles(sharedWordFolder())) check(path);
}

TEST_F(EngineTest, AnEditedPartIsRewrittenAndTheOthersStayByteForByte) {
  std::string original = readAll(fixture("header_footer.docx"));
  auto doc = app->Documents()->Open(put("in.docx", original));
  doc->Content()->Words()->Item(1)->SetText("Andere");
  doc->SaveAs(pathOf("out.docx"));
  Package before(original, "before"), after(temp.read("out.docx"), "after");
  for (const auto& name : before.partNames()) {
    if (name == "word/document.xml") {
      EXPECT_NE(before.readPart(name), after.readPart(name));
      EXPECT_NE(after.readPart(name).find("Andere"), std::string::npos);
    } else {
      EXPECT_EQ(before.readPart(name), after.readPart(name)) << name;
    }
  }
}

// A package with the parts given as name and content.
std::string packageWith(std::initializer_list<std::pair<std::string, std::string>> parts) {
  std::string empty = std::string("PK\x05\x06", 4) + std::string(18, '\0');
  Package package(empty, "x");
  for (const auto& [name, content] : parts) package.writePart(name, content);
  return package.save();
}

std::string packageWith(const std::string& name, const std::string& content) {
  return packageWith({{name, content}});
}

// `size` letters that deflate poorly, like the text of real parts and unlike a zip bomb.
std::string varied(std::size_t size) {
  std::string text(size, ' ');
  std::uint32_t state = 12345;
  for (char& c : text) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>('a' + (state >> 24) % 26);
  }
  return text;
}

// A zip whose single entry holds `size` zero bytes, deflated.
std::string zipBomb(std::uint64_t size) {
  return packageWith("word/document.xml", std::string(size, '\0'));
}

TEST(PackageCopy, HasThePartsAsTheyNowStandAndChangesApart) {
  auto owned = std::make_unique<Package>(packageWith({{"a.xml", "<a>stored</a>"},
                                                      {"b.xml", "<b>stored</b>"},
                                                      {"c.bin", "raw"},
                                                      {"d.bin", "gone"},
                                                      {"e.xml", "<e/>"}}),
                                         "original.docx");
  Package& original = *owned;
  original.xml("a.xml").doc.child("a").text().set("edited");
  original.xml("a.xml").dirty = true;
  original.xml("b.xml");  // parsed, unchanged
  original.writePart("c.bin", "written");
  original.removePart("d.bin");
  original.writePart("f.bin", "added");

  std::unique_ptr<Package> copy = original.copy();
  EXPECT_EQ(copy->fileName(), "original.docx");
  EXPECT_EQ(copy->partNames(), original.partNames());
  const std::pair<const char*, const char*> expected[] = {
      {"a.xml", "<a>edited</a>"}, {"b.xml", "<b>stored</b>"}, {"c.bin", "written"},
      {"e.xml", "<e/>"},          {"f.bin", "added"},
  };
  for (const auto& [name, content] : expected) EXPECT_EQ(copy->readPart(name), content) << name;
  EXPECT_FALSE(copy->hasPart("d.bin"));

  // Edits to either side stay on that side.
  copy->xml("a.xml").doc.child("a").text().set("copy");
  original.xml("b.xml").doc.child("b").text().set("original");
  original.xml("b.xml").dirty = true;
  EXPECT_EQ(original.readPart("a.xml"), "<a>edited</a>");
  EXPECT_EQ(copy->readPart("b.xml"), "<b>stored</b>");

  // The copy saves as a package of its own, after the original is gone.
  owned.reset();
  std::string saved = copy->save();
  Package reread(saved, "reread");
  EXPECT_EQ(reread.readPart("a.xml"), "<a>copy</a>");
  EXPECT_EQ(reread.readPart("e.xml"), "<e/>");
  EXPECT_EQ(reread.readPart("f.bin"), "added");
  EXPECT_FALSE(reread.hasPart("d.bin"));
}

// `zip` with a bit of the named part's stored checksum flipped, with bytes of its packed data changed, with
// its packed size in the directory claiming 2 GB, or marked (in the directory and its local header) as
// packed by bzip2 or as encrypted.
enum class Damage { Checksum, PackedData, PackedSize, Bzip2, Encrypted };
std::string damaged(std::string zip, const std::string& name, Damage damage) {
  auto u16 = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(zip.at(at)) |
                                    static_cast<unsigned char>(zip.at(at + 1)) << 8);
  };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  const std::string signature("PK\x01\x02", 4);
  for (std::size_t at = zip.find(signature); at != std::string::npos; at = zip.find(signature, at + 1)) {
    if (zip.compare(at + 46, u16(at + 28), name) != 0) continue;
    if (damage == Damage::Checksum) {
      zip[at + 16] ^= 1;
    } else if (damage == Damage::PackedSize) {
      zip.replace(at + 20, 4, "\xFF\xFF\xFF\x7F");
    } else if (damage == Damage::Bzip2) {
      zip[at + 10] = zip[u32(at + 42) + 8] = 12;
    } else if (damage == Damage::Encrypted) {
      zip[at + 8] |= 1;
      zip[u32(at + 42) + 6] |= 1;
    } else {
      const std::size_t local = u32(at + 42);
      const std::size_t start = local + 30 + u16(local + 26) + u16(local + 28);
      for (std::size_t i = 0; i < 4; ++i) zip.at(start + u32(at + 20) / 2 + i) ^= '\x55';
    }
    return zip;
  }
  ADD_FAILURE() << "no part " << name;
  return zip;
}

struct BadInput {
  const char* name;
  std::string (*bytes)();  // made inside the test: some inputs are large to build
  const char* message;     // part of the description
};

class BadInputTest : public EngineTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadInputTest, IsAClearErrorNamingTheFile) {
  std::string path = put("bad.docx", GetParam().bytes());
  engine::EngineOptions options;
  options.limits.maxPartSize = 4 << 20;
  options.limits.maxXmlSize = 5 << 20;
  auto limited = engine::createApplication(system, options);
  try {
    limited->Documents()->Open(path);
    FAIL() << "opened";
  } catch (const runtime::Error& e) {
    EXPECT_EQ(e.number(), 5792);
    EXPECT_NE(e.description().find("bad.docx"), std::string::npos) << e.description();
    EXPECT_NE(e.description().find(GetParam().message), std::string::npos) << e.description();
  }
  EXPECT_EQ(limited->Documents()->Count(), 0);
}

const BadInput kBadInputs[] = {
    {"Empty", [] { return std::string(); }, "not a zip package"},
    {"Text", [] { return std::string("hello world"); }, "not a zip package"},
    {"Truncated",
     [] {
       std::string good = buildDocx(paragraph(run("x")));
       return good.substr(0, good.size() / 2);
     },
     "damaged"},
    {"WrongChecksum",
     [] { return damaged(buildDocx(paragraph(run("x"))), "word/document.xml", Damage::Checksum); },
     "part word/document.xml is damaged"},
    {"DamagedPackedData",
     [] { return damaged(buildDocx(paragraph(run(varied(2000)))), "word/document.xml", Damage::PackedData); },
     "part word/document.xml is damaged"},
    {"PackedSizeBeyondThePackage",
     [] { return damaged(buildDocx(paragraph(run(varied(2000)))), "word/document.xml", Damage::PackedSize); },
     "part word/document.xml is damaged (its entry is larger than the package)"},
    {"PackedByBzip2",
     [] { return damaged(buildDocx(paragraph(run("x"))), "word/document.xml", Damage::Bzip2); },
     "part word/document.xml is packed by a method Word does not read (zip method 12)"},
    {"Encrypted",
     [] { return damaged(buildDocx(paragraph(run("x"))), "word/document.xml", Damage::Encrypted); },
     "part word/document.xml is encrypted"},
    {"BinaryWord", [] { return std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'); },
     "Word 97-2003"},
    {"NoDocumentPart", [] { return packageWith("word/other.xml", "<a/>"); }, "no main document part"},
    {"MalformedXml", [] { return packageWith("word/document.xml", "<w:document><w:body><w:p></w:body>"); },
     "malformed"},
    {"AbsurdNesting",
     [] {
       std::string nesting = "<w:document xmlns:w=\"w\"><w:body>";
       for (int i = 0; i < 5000; ++i) nesting += "<w:sdt>";
       for (int i = 0; i < 5000; ++i) nesting += "</w:sdt>";
       return packageWith("word/document.xml", nesting + "</w:body></w:document>");
     },
     "nested deeper"},
    {"ZipBomb", [] { return zipBomb(64 << 20); }, "limit of 4 MB"},
    {"PartPackedTooTightly", [] { return zipBomb(2 << 20); },
     "more than the limit of 100 times its packed size"},
    {"TooMuchXml",
     [] {
       return packageWith({{"word/document.xml", varied(3 << 20)}, {"word/header1.XML", varied(3 << 20)}});
     },
     "XML parts are larger than the limit of 5 MB"},
};

INSTANTIATE_TEST_SUITE_P(Files, BadInputTest, ::testing::ValuesIn(kBadInputs),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(PackageLimits, DefaultLimitRefusesAGigabyteEntryBeforeInflatingIt) {
  // The entry claims 1 GB; the refusal comes from the declared size, so the test stays fast.
  std::string bytes = zipBomb(1 << 20);
  // Patch the declared uncompressed size (local header offset 22, central directory offset 24).
  auto patch = [&](std::size_t at) {
    std::uint32_t size = 1u << 30;
    for (int i = 0; i < 4; ++i)
      bytes[at + static_cast<std::size_t>(i)] = static_cast<char>((size >> (8 * i)) & 0xFF);
  };
  patch(22);
  std::size_t central = bytes.find(std::string("PK\x01\x02", 4));
  ASSERT_NE(central, std::string::npos);
  patch(central + 24);
  try {
    Package package(bytes, "bomb.docx");
    FAIL() << "accepted";
  } catch (const runtime::Error& e) {
    EXPECT_NE(e.description().find("limit of 64 MB"), std::string::npos) << e.description();
  }
}

TEST(PackageLimits, PicturesDoNotCountAsXmlAndAPartThatShrinksLittlePasses) {
  engine::ooxml::PackageLimits limits;
  limits.maxXmlSize = 1 << 20;
  std::string bytes =
      packageWith({{"word/document.xml", varied(900 << 10)}, {"word/media/image1.png", varied(3 << 20)}});
  Package package(bytes, "pictures.docx", limits);
  EXPECT_EQ(package.readPart("word/media/image1.png").size(), 3u << 20);
}

// A rewritten part starts as it did: byte-order mark and the blanks after the declaration kept.
struct Prolog {
  const char* name;
  std::string start;  // what precedes the root element
};

class PrologTest : public ::testing::TestWithParam<Prolog> {};

TEST_P(PrologTest, ARewrittenPartKeepsItsByteOrderMarkAndDeclarationBreak) {
  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
  std::string start = GetParam().start;
  if (auto at = start.find("DECL"); at != std::string::npos) start.replace(at, 4, declaration);
  Package package(packageWith("p.xml", start + "<a>x</a>"), "p.docx");
  auto& part = package.xml("p.xml");
  part.doc.child("a").append_child("b");
  part.dirty = true;
  Package saved(package.save(), "saved.docx");
  EXPECT_EQ(saved.readPart("p.xml"), start + "<a>x<b/></a>");
}

INSTANTIATE_TEST_SUITE_P(Starts, PrologTest,
                         ::testing::Values(Prolog{"WordsCrLf", "DECL\r\n"},
                                           Prolog{"ByteOrderMarkAndCrLf",
                                                  "\xEF\xBB\xBF"
                                                  "DECL\r\n"},
                                           Prolog{"ByteOrderMarkNoBreak",
                                                  "\xEF\xBB\xBF"
                                                  "DECL"},
                                           Prolog{"LineFeed", "DECL\n"}, Prolog{"NoBreak", "DECL"},
                                           Prolog{"NoDeclaration", ""},
                                           Prolog{"ByteOrderMarkOnly", "\xEF\xBB\xBF"}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(Prolog, APartReadAsUtf16IsWrittenAsUtf8WithItsMarkAndBreak) {
  std::string utf16 = "\xFF\xFE";  // little-endian; the text below is all below U+0100
  for (char c : std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<a>\xE9</a>")) utf16 += {c, '\0'};
  Package package(packageWith("p.xml", utf16), "p.docx");
  package.xml("p.xml").dirty = true;
  Package saved(package.save(), "saved.docx");
  EXPECT_EQ(saved.readPart("p.xml"),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a>\xC3\xA9</a>");
}

// One entry of a zip's central directory, as zipinfo -v shows it.
struct CentralEntry {
  std::string name;
  unsigned madeBy = 0;  // host system << 8 | version
  unsigned flags = 0, method = 0, time = 0, date = 0, extraLength = 0;
  std::uint32_t crc = 0, externalAttributes = 0;
};

std::vector<CentralEntry> centralDirectory(const std::string& zip) {
  auto u16 = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(zip.at(at)) |
                                 static_cast<unsigned char>(zip.at(at + 1)) << 8);
  };
  auto u32 = [&](std::size_t at) { return u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16; };
  std::size_t end = zip.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos) return {};
  std::vector<CentralEntry> entries;
  std::size_t at = u32(end + 16);
  for (unsigned i = 0; i < u16(end + 10); ++i) {
    CentralEntry e;
    e.madeBy = u16(at + 4);
    e.flags = u16(at + 8);
    e.method = u16(at + 10);
    e.crc = u32(at + 16);
    e.time = u16(at + 12);
    e.date = u16(at + 14);
    e.extraLength = u16(at + 30);
    e.externalAttributes = u32(at + 38);
    e.name = zip.substr(at + 46, u16(at + 28));
    entries.push_back(e);
    at += 46 + u16(at + 28) + e.extraLength + u16(at + 32);
  }
  return entries;
}

TEST_F(EngineTest, EntriesTheEngineWritesCarryWordsStamp) {
  // Every part of a built document is the engine's, and the edits rewrite the main part.
  auto doc = openBody(paragraph(run("Beste klant")));
  doc->Content()->Words()->Item(1)->SetText("Geachte ");
  auto at = doc->Content()->Words()->Item(2);
  at->Collapse(word::wdCollapseEnd);
  doc->Fields()->Add(at, word::wdFieldMergeField, std::string("naam"), false);
  doc->SaveAs(pathOf("out.docx"));
  auto entries = centralDirectory(temp.read("out.docx"));
  ASSERT_GE(entries.size(), 3u);
  for (const CentralEntry& e : entries) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(e.date, (0u << 9) | (1u << 5) | 1u) << "1 January 1980";
    EXPECT_EQ(e.time, 0u);
    EXPECT_EQ(e.madeBy >> 8, 0u) << "made on FAT";
    EXPECT_EQ(e.externalAttributes, 0u);
    EXPECT_EQ(e.extraLength, 0u);
    EXPECT_EQ(e.flags & 8u, 0u) << "no data descriptor";
  }
}

TEST(PackageSave, DeflatesWhatShrinksStoresTheRestAndReadsItBack) {
  std::string noise(4096, '\0');
  std::uint32_t state = 7;
  for (char& c : noise) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  std::string text;
  while (text.size() < 200000) text += "<w:p><w:r><w:t>" + varied(40) + "</w:t></w:r></w:p>";
  const struct {
    std::string name;
    std::string content;
    unsigned method;  // 8 deflated, 0 stored
  } cases[] = {
      {"word/document.xml", text, 8},
      {"word/media/noise.bin", noise, 0},
      {"word/empty.xml", "", 0},
      {"word/" + std::string(300, 'n') + ".xml", "a name longer than the reader's first buffer", 0},
      {"word/one.xml", "x", 0},
  };
  std::string saved = packageWith({{cases[0].name, cases[0].content},
                                   {cases[1].name, cases[1].content},
                                   {cases[2].name, cases[2].content},
                                   {cases[3].name, cases[3].content},
                                   {cases[4].name, cases[4].content}});
  auto entries = centralDirectory(saved);
  ASSERT_EQ(entries.size(), std::size(cases));
  Package reread(saved, "saved.docx");
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(entries[i].name, cases[i].name);
    EXPECT_EQ(entries[i].method, cases[i].method);
    const std::string& content = cases[i].content;
    EXPECT_EQ(entries[i].crc,
              crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
    EXPECT_EQ(reread.readPart(cases[i].name), cases[i].content);
  }
  EXPECT_LT(saved.size(), text.size() / 2 + noise.size() + 1000);
}

TEST_F(EngineTest, AWordFileEditedAndSavedKeepsItsPartsStartAndStamps) {
  TW_SKIP_WITHOUT_SHARED_WORD_FILES();
  std::string original = readAll(sharedWordFile("13_docxmailmerge_table_rows_macword.docx"));
  auto doc = app->Documents()->Open(put("in.docx", original));
  doc->Content()->Words()->Item(1)->SetText("Andere");
  doc->SaveAs(pathOf("out.docx"));
  std::string saved = temp.read("out.docx");
  Package before(original, "before"), after(saved, "after");
  const std::string start = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<w:document ";
  ASSERT_EQ(before.readPart("word/document.xml").rfind(start, 0), 0u);
  EXPECT_EQ(after.readPart("word/document.xml").rfind(start, 0), 0u);
  auto was = centralDirectory(original), is = centralDirectory(saved);
  ASSERT_EQ(was.size(), is.size());
  for (std::size_t i = 0; i < was.size(); ++i) {
    SCOPED_TRACE(is[i].name);
    EXPECT_EQ(is[i].date, was[i].date);
    EXPECT_EQ(is[i].time, was[i].time);
    EXPECT_EQ(is[i].madeBy >> 8, was[i].madeBy >> 8);
    EXPECT_EQ(is[i].externalAttributes, was[i].externalAttributes);
    EXPECT_EQ(is[i].extraLength, 0u);
  }
}

}  // namespace
}  // namespace tw::testing

namespace tw::engine::model {
namespace {

// Relationship targets resolved against the folder of the part that holds them, as Word reads them.
TEST(ResolvePartName, TargetsResolveAgainstTheSourceFolder) {
  struct Case {
    const char* source;
    const char* target;
    const char* part;
  };
  const Case cases[] = {
      {"word/document.xml", "styles.xml", "word/styles.xml"},
      {"word/document.xml", "media/image1.png", "word/media/image1.png"},
      {"word/document.xml", "../customXml/item1.xml", "customXml/item1.xml"},
      {"word/document.xml", "/word/footer1.xml", "word/footer1.xml"},
      {"word/document.xml", "./theme/../theme/theme1.xml", "word/theme/theme1.xml"},
      // Above the package's root a target names no part: its ".." stays and the file rule refuses it.
      {"word/document.xml", "../../../x.xml", "../../x.xml"},
      {"word/document.xml", "media//a.png", "word/media/a.png"},
      {"", "word/document.xml", "word/document.xml"},
      {"document.xml", "..", ".."},
      {"a/b/c.xml", "../d/", "a/d"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(resolvePartName(c.source, c.target), c.part) << c.source << " " << c.target;
}

// The relationships the model keeps follow its edits: a relationship added, a part copied with its own.
TEST(DocumentModelRelationships, FollowAddedRelationshipsAndCopiedParts) {
  auto doc = engine::loadDocument(engine::minimalDocx("<w:p/>"), "brief.docx");
  const std::string main = doc->mainPart();
  const std::string copy = "word/document2.xml";
  const auto before = doc->relationships(main);

  const std::string id = doc->addRelationship(main, "image", "media/logo.png", false);
  auto after = doc->relationships(main);
  ASSERT_EQ(after.size(), before.size() + 1);
  EXPECT_EQ(after.back().first, id);
  EXPECT_EQ(after.back().second.target, "word/media/logo.png");
  EXPECT_FALSE(after.back().second.external);

  // Copied from the saved package, where the relationship part holds what was added.
  auto saved = engine::loadDocument(doc->package().save(), "brief.docx");
  EXPECT_TRUE(saved->relationships(copy).empty());
  ASSERT_EQ(saved->copyPart(main, "2"), copy);
  auto copied = saved->relationships(copy);
  ASSERT_EQ(copied.size(), after.size());
  for (std::size_t i = 0; i < copied.size(); ++i) {
    EXPECT_EQ(copied[i].first, after[i].first);
    EXPECT_EQ(copied[i].second.target, after[i].second.target);
  }

  // Copied before any save: the copy holds the added relationship and the text as edited.
  doc->package()
      .xml(main)
      .doc.child("w:document")
      .child("w:body")
      .child("w:p")
      .append_child("w:r")
      .append_child("w:t")
      .text() = "bewerkt";
  doc->package().xml(main).dirty = true;
  const std::string unsaved = doc->copyPart(main, "3");
  EXPECT_EQ(doc->relationships(unsaved).size(), after.size());
  EXPECT_NE(doc->package().readPart(unsaved).find("bewerkt"), std::string::npos);
}

}  // namespace
}  // namespace tw::engine::model
