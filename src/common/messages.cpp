#include "common/messages.h"

#include <atomic>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <libintl.h>
#include <system_error>
#include <vector>

#include "common/point_numbers.h"

namespace gerador {

namespace {

constexpr const char* kDomain = "gerador";

// False until a language other than the ids' own is chosen: the library then never asks
// gettext, whatever locale its host process has set.
std::atomic<bool> translating{false};

bool holdsCatalogs(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::exists(folder / "en" / "LC_MESSAGES" / (std::string(kDomain) + ".mo"), error);
}

std::string findCatalogFolder() {
    // The build tree keeps the catalogs in build/locale, beside the program and one up from
    // the Python module; an installed program finds them under its prefix.
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        candidates.push_back(program.parent_path() / "locale");
        candidates.push_back(program.parent_path() / ".." / "share" / "locale");
    }
    Dl_info object{};
    if (dladdr(reinterpret_cast<void*>(&findCatalogFolder), &object) != 0 && object.dli_fname != nullptr) {
        std::filesystem::path library = std::filesystem::absolute(object.dli_fname, error);
        if (!error) candidates.push_back(library.parent_path() / ".." / "locale");
    }
#ifdef GERADOR_LOCALEDIR
    candidates.emplace_back(GERADOR_LOCALEDIR);
#endif
    for (const std::filesystem::path& folder : candidates) {
        if (holdsCatalogs(folder)) return std::filesystem::weakly_canonical(folder, error).string();
    }
    return "";
}

bool isPlainLocale(const char* name) {
    return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

}  // namespace

std::optional<TLanguage> languageNamed(std::string_view name) {
    if (name == "pt") return TLanguage::portuguese;
    if (name == "en") return TLanguage::english;
    return std::nullopt;
}

std::string catalogFolder() {
    static const std::string folder = findCatalogFolder();
    return folder;
}

void chooseLanguage(TLanguage language) {
    // The reader's own LANGUAGE, as it was before an English choice replaced it.
    static const char* const readersLanguage = [] {
        const char* value = std::getenv("LANGUAGE");
        return value != nullptr ? strdup(value) : nullptr;
    }();
    if (language == TLanguage::portuguese || catalogFolder().empty()) {
        translating = false;
        return;
    }
    if (readersLanguage != nullptr) {
        setenv("LANGUAGE", readersLanguage, 1);
    } else {
        unsetenv("LANGUAGE");
    }
    // Only the messages' category: LC_NUMERIC stays "C", so no file or number changes.
    const char* messagesLocale = std::setlocale(LC_MESSAGES, "");
    if (language == TLanguage::english) {
        // gettext ignores LANGUAGE in the plain C locale; C.UTF-8 is in every glibc.
        if (isPlainLocale(messagesLocale) && std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr) {
            std::setlocale(LC_MESSAGES, "en_US.UTF-8");
        }
        setenv("LANGUAGE", "en", 1);
    }
    // Binding again also drops the translations gettext cached under the previous choice.
    bindtextdomain(kDomain, catalogFolder().c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
    translating = true;
}

const char* tr(const char* msgid) {
    return translating ? dgettext(kDomain, msgid) : msgid;
}

const char* tr(const char* msgid, TTextUse use) {
    return use == TTextUse::reader ? tr(msgid) : msgid;
}

const char* trn(const char* singular, const char* plural, unsigned long count) {
    if (translating) return dngettext(kDomain, singular, plural, count);
    return count == 1 ? singular : plural;
}

std::string textf(const char* format, ...) {
    TPointNumbers pointNumbers;
    std::va_list values;
    va_start(values, format);
    std::va_list again;
    va_copy(again, values);
    int length = std::vsnprintf(nullptr, 0, format, values);
    va_end(values);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return text;
}

std::string errorText(const std::string& sentence) {
    return textf(tr("Erro: %s"), sentence.c_str());
}

std::string warningText(const std::string& sentence) {
    return textf(tr("Aviso: %s"), sentence.c_str());
}

std::string taskListText(const std::vector<std::int32_t>& tasks, std::size_t named) {
    std::string text;
    for (std::size_t shown = 0; shown < tasks.size() && shown < named; ++shown) {
        if (shown > 0) text += ", ";
        text += std::to_string(tasks[shown] + 1);
    }
    if (tasks.size() > named) text = textf(tr("%s e mais %zu"), text.c_str(), tasks.size() - named);
    return text;
}

}  // namespace gerador
