#pragma once

#include <string>
#include <vector>

// The user's preferred languages as BCP-47 tags, most preferred first: LANGUAGE (a colon list),
// else LC_ALL, LC_MESSAGES, LANG; "C" and "POSIX" count as English.
std::vector<std::string> NKPreferredLanguages();

// "lang;q=1, lang;q=0.9, ...": at most six languages, down to q=0.5.
std::string NKAcceptLanguageValue(const std::vector<std::string>& languages);

// "<executable>/<version> (<distribution> <version>)", transliterated to ASCII when needed.
std::string NKUserAgentValue();
std::string NKUserAgentValue(const std::string& executable, const std::string& version, const std::string& system);

// Applies the ICU transform "Any-Latin; Latin-ASCII; [:^ASCII:] Remove" in place; false (text
// unchanged) when ICU cannot make the transform.
bool NKTransliterateToASCII(std::string& text);
