// The string tables of the shipped installer, read block by block: French
// and English exactly as catalogued, the eight installer languages complete,
// "#" exactly where a translation is missing.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "build_tree.h"
#include "i18n/language_state.h"
#include "platform/handles.h"

namespace qw {
namespace {

const std::map<MessageId, std::wstring> kEnglish_ = {
    {1000, L"Installer"},
    {1001, L"OK"},
    {1002, L"Cancel"},
    {1003, L"About '%1'"},
    {1004, L"Exit"},
    {1005, L"Back"},
    {1006, L"Next"},
    {1007, L"Install"},
    {1008, L"Browse..."},
    {1009, L"Start menu"},
    {1010, L"Installation Folder Selection"},
    {1011, L"OK"},
    {1012, L"Failed"},
    {1013, L"Uninstall %1"},
    {1014, L"Select Installation Langage"},
    {1015, L"Installation Method"},
    {1016, L"Quick Installation (Recommended)"},
    {1017, L"Advanced Installation"},
    {1018, L"%1 Examples"},
    {1100, L"'%1' Installation."},
    {1101, L"Update from '%1' to '%2'."},
    {1102, L"'%1' is already installed."},
    {1103, L"A more recent Version (%1) is already installed."},
    {1104, L"Do you confirm Reinstallation ?"},
    {1105, L"Click on '%1' to continue or on '%2' to exit Installation."},
    {1106, L"Click on '%1' to continue."},
    {1107, L"Click on '%1' to exit Installation."},
    {1108, L"Click on '%1' to start Installation."},
    {1110, L"Installation is not complete.\r\n\r\nDo you still confirm exit Installation ?"},
    {1111, L"Select '%1' Installation Folder."},
    {1112, L"Create a Shortcut in the following Menu:"},
    {1113, L"Create a Shortcut on the Desktop."},
    {1114, L"Preparing Installation..."},
    {1115, L"Copying File  %1..."},
    {1117, L"Shortcuts Creation..."},
    {1118, L"Registry Data Writing..."},
    {1119, L"Installation Data Writing..."},
    {1120, L"Installation is complete."},
    {1121, L"Installation failed (Error Code %1)."},
    {1122, L"Installation Options"},
    {1123, L"Installation Folder: %1."},
    {1124, L"Creating a Shortcut in the Start Menu (Folder %1)."},
    {1125, L"Creating a Shortcut on the Desktop."},
    {1126, L"You should have Administrator Rights in order to proceed to Installation."},
    {1127, L"You should close '%1' before continuing Installation."},
    {1129, L"'%1' will be installed in the selected Langage, but the Installer, still under "
           L"translation,  shall run in English."},
    {1131, L"#"},
    {1132, L"The folder '%1' belongs to a user without administrator rights, who could change what "
           L"is installed in it. Nothing was installed."},
    {1133, L"An interrupted installation of '%1' was undone."},
    {1134, L"An interrupted installation of '%1' was partly undone. Not undone:%2"},
};

const std::map<MessageId, std::wstring> kFrench_ = {
    {1000, L"Installeur"},
    {1001, L"OK"},
    {1002, L"Annuler"},
    {1003, L"\u00c0 propos de '%1'"},
    {1004, L"Quitter"},
    {1005, L"Pr\u00e9c\u00e9dent"},
    {1006, L"Suivant"},
    {1007, L"Installer"},
    {1008, L"Parcourir..."},
    {1009, L"Menu D\u00e9marrer"},
    {1010, L"S\u00e9lection du dossier d'installation"},
    {1011, L"OK"},
    {1012, L"\u00c9chec"},
    {1013, L"D\u00e9sinstaller %1"},
    {1014, L"S\u00e9lectionnez la langue d'installation"},
    {1015, L"M\u00e9thode d'installation"},
    {1016, L"Installation rapide (recommand\u00e9e)"},
    {1017, L"Installation personnalis\u00e9e"},
    {1018, L"Exemples %1"},
    {1100, L"Installation de '%1'."},
    {1101, L"Mise \u00e0 jour de '%1' vers '%2'."},
    {1102, L"'%1' est d\u00e9j\u00e0 install\u00e9."},
    {1103, L"Une version plus r\u00e9cente (%1) est d\u00e9j\u00e0 install\u00e9e."},
    {1104, L"Souhaitez-vous vraiment effectuer une r\u00e9installation ?"},
    {1105, L"Cliquez sur '%1' pour continuer ou sur '%2' pour quitter l'installeur."},
    {1106, L"Cliquez sur '%1' pour continuer."},
    {1107, L"Cliquez sur '%1' pour quitter l'installeur."},
    {1108, L"Cliquez sur '%1' pour d\u00e9marrer l'installation."},
    {1110, L"L'installation n'est pas achev\u00e9e.\r\n\r\n\u00cates-vous certain de vouloir "
           L"quitter l'installeur ?"},
    {1111, L"S\u00e9lectionnez le dossier dans lequel vous voulez installer '%1'."},
    {1112, L"Cr\u00e9er un raccourci dans le menu suivant\u00a0:"},
    {1113, L"Cr\u00e9er un raccourci sur le bureau."},
    {1114, L"Pr\u00e9paration de l'installation..."},
    {1115, L"Copie du fichier %1..."},
    {1117, L"Cr\u00e9ation des raccourcis..."},
    {1118, L"Inscription dans la base de registre..."},
    {1119, L"Enregistrement des informations d'installation..."},
    {1120, L"L'installation est termin\u00e9e."},
    {1121, L"\u00c9chec de l'installation (code d'erreur %1)."},
    {1122, L"Options d'installation"},
    {1123, L"Dossier d'installation\u00a0: %1."},
    {1124, L"Cr\u00e9ation d'un raccourci dans le menu D\u00e9marrer (dossier %1)."},
    {1125, L"Cr\u00e9ation d'un raccourci sur le bureau."},
    {1126, L"Vous devez disposer de privil\u00e8ges d'administrateur sur cet ordinateur pour "
           L"pouvoir effectuer l'installation."},
    {1127, L"Vous devez fermer '%1' avant de poursuivre l'installation."},
    {1129, L"'%1' sera install\u00e9 dans la langue choisie, mais l'installeur, en cours de "
           L"traduction, s'ex\u00e9cutera en fran\u00e7ais."},
    {1131, L"Mise \u00e0 jour de DirectX..."},
    {1132, L"Le dossier '%1' appartient \u00e0 un utilisateur sans droits d'administrateur, qui "
           L"pourrait modifier ce qui y est install\u00e9. Rien n'a \u00e9t\u00e9 install\u00e9."},
    {1133, L"Une installation interrompue de '%1' a \u00e9t\u00e9 annul\u00e9e."},
    {1134, L"Une installation interrompue de '%1' a \u00e9t\u00e9 annul\u00e9e en partie. Ce qui n'a pas "
           L"pu \u00eatre annul\u00e9 :%2"},
};

constexpr MessageId kCopyright = msg::kCopyright;
constexpr MessageId kDirectXUpdate = msg::kDirectXUpdate;

// Every message of every block: the catalogue plus the copyright notice.
std::vector<MessageId> AllMessages() {
  std::vector<MessageId> ids;
  for (const auto& entry : kFrench_) ids.push_back(entry.first);
  ids.push_back(kCopyright);
  return ids;
}

struct Block {
  const char* name;
  std::uint32_t offset;
  LANGID resourceLanguage;
  bool installer;
  std::set<MessageId> translated;  // for the other languages: the copies that are not "#"
};

const std::set<MessageId> kButtons = {1001, 1002, 1003, 1004, 1005, 1006, 1008, 1009};
const std::set<MessageId> kHebrewButtons = {1001, 1002, 1003, 1004, 1008, 1009};

const std::vector<Block> kBlocks = {
    {"French", 0, 1036, true, {}},        {"English", 1000, 1033, true, {}},
    {"German", 2000, 1031, true, {}},     {"Spanish", 3000, 3082, true, {}},
    {"Portuguese", 4000, 2070, true, {}}, {"Italian", 5000, 1040, true, {}},
    {"Dutch", 6000, 1043, false, kButtons}, {"Danish", 7000, 1030, false, kButtons},
    {"Turkish", 8000, 1055, true, {}},    {"Chinese", 9000, 2052, false, {}},
    {"Bulgarian", 10000, 1026, false, {}}, {"Romanian", 11000, 1048, true, {}},
    {"Czech", 12000, 1029, false, kButtons}, {"Norwegian", 13000, 1044, false, kButtons},
    {"Greek", 14000, 1032, false, {}},    {"Polish", 15000, 1045, false, {}},
    {"Hebrew", 16000, 1037, false, kHebrewButtons}, {"Vietnamese", 17000, 1066, false, {}},
};

// "%1" and "%2" as they occur, in order, and the number of line breaks.
std::wstring Shape(const std::wstring& text) {
  std::wstring shape;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == L'%' && (text[i + 1] == L'1' || text[i + 1] == L'2')) shape += text[i + 1];
    if (text[i] == L'\r' && text[i + 1] == L'\n') shape += L'|';
  }
  return shape;
}

// Placeholders in any order (a translation may swap them), line breaks in place.
std::wstring SortedShape(const std::wstring& text) {
  std::wstring shape = Shape(text);
  std::multiset<wchar_t> sorted(shape.begin(), shape.end());
  return std::wstring(sorted.begin(), sorted.end());
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::set<LANGID>*>(param)->insert(language);
  return TRUE;
}

class MessageCatalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(::LoadLibraryExW(QW_SHIPPED_INSTALLER, nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module_) << "build the shipped installer first (./scripts/build.sh)";
  }

  // The text of string resource `id`; `exists` tells an empty text from none.
  std::wstring Text(std::uint32_t id, bool* exists = nullptr) const {
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(module_.get(), id, reinterpret_cast<wchar_t*>(&text), 0);
    if (exists) *exists = length > 0;
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
  }

  // Languages of the string bundle (16 identifiers) holding `id`.
  std::set<LANGID> BundleLanguages(std::uint32_t id) const {
    std::set<LANGID> languages;
    ::EnumResourceLanguagesW(module_.get(), RT_STRING, MAKEINTRESOURCEW(id / 16 + 1),
                             CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
  }

  UniqueModule module_;
};

TEST_F(MessageCatalogue, FrenchAndEnglishAsCatalogued) {
  for (const auto& [id, text] : kFrench_) EXPECT_EQ(Text(id), text) << "French " << id;
  for (const auto& [id, text] : kEnglish_) EXPECT_EQ(Text(id + 1000), text) << "English " << id;
  // The copyright notice is the installer's own: it names the product given to it.
  for (std::uint32_t offset : {0u, 1000u}) {
    const std::wstring notice = Text(kCopyright + offset);
    EXPECT_EQ(Shape(notice), L"1") << offset;
    EXPECT_NE(notice.find(L"Quillon Works"), std::wstring::npos) << offset;
  }
}

TEST_F(MessageCatalogue, InstallerLanguagesAreComplete) {
  for (const Block& block : kBlocks) {
    if (!block.installer) continue;
    for (MessageId id : AllMessages()) {
      SCOPED_TRACE(::testing::Message() << block.name << " " << id);
      bool exists = false;
      const std::wstring text = Text(id + block.offset, &exists);
      ASSERT_TRUE(exists);
      if (id == kDirectXUpdate && block.offset != 0) {
        EXPECT_EQ(text, L"#");
        continue;
      }
      EXPECT_NE(text, L"#");
      EXPECT_EQ(SortedShape(text), SortedShape(Text(id + 1000)));
      // Doubled blanks are a quirk of the English texts only.
      if (block.offset > 1000) {
        EXPECT_EQ(text.find(L"  "), std::wstring::npos) << text.c_str();
      }
    }
  }
}

TEST_F(MessageCatalogue, OtherLanguagesTranslateOnlyWhatIsListed) {
  for (const Block& block : kBlocks) {
    if (block.installer) continue;
    for (MessageId id : AllMessages()) {
      SCOPED_TRACE(::testing::Message() << block.name << " " << id);
      bool exists = false;
      const std::wstring text = Text(id + block.offset, &exists);
      ASSERT_TRUE(exists);
      if (block.translated.count(id)) {
        EXPECT_NE(text, L"#");
        EXPECT_EQ(Shape(text), Shape(Text(id + 1000)));
      } else {
        EXPECT_EQ(text, L"#");
      }
    }
  }
}

TEST_F(MessageCatalogue, UnusedIdentifiersExistNowhere) {
  for (const Block& block : kBlocks) {
    for (MessageId id : {1116u, 1130u}) {
      bool exists = true;
      Text(id + block.offset, &exists);
      EXPECT_FALSE(exists) << block.name << " " << id;
    }
  }
}

TEST_F(MessageCatalogue, EachBlockCarriesItsLanguage) {
  for (const Block& block : kBlocks) {
    for (MessageId id : AllMessages()) {
      EXPECT_EQ(BundleLanguages(id + block.offset), std::set<LANGID>{block.resourceLanguage})
          << block.name << " bundle of " << id + block.offset;
    }
  }
}

}  // namespace
}  // namespace qw
