#include "catalogue/ZipWriter.h"

#include <unistd.h>
#include <zip.h>

namespace catalogue {

namespace fs = std::filesystem;

bool ZipWriter::addEntries(zip_t* archive) const
{
    for (const auto& e : entries_) {
        zip_source_t* source = e.bytes ? zip_source_buffer(archive, e.bytes->data(), e.bytes->size(), 0)
                                       : zip_source_file(archive, e.file.c_str(), 0, -1);
        if (!source)
            return false;
        if (zip_file_add(archive, e.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            return false;
        }
    }
    return true;
}

void ZipWriter::addFile(const std::string& entryName, const fs::path& source)
{
    entries_.push_back({entryName, source, nullptr});
}

void ZipWriter::addBytes(const std::string& entryName, std::string bytes)
{
    buffers_.push_back(std::move(bytes));
    entries_.push_back({entryName, {}, &buffers_.back()});
}

bool ZipWriter::writeTo(const fs::path& destination, std::string* error) const
{
    std::error_code ec;
    fs::create_directories(destination.parent_path(), ec);
    fs::path temporary = destination;
    temporary += ".tmp-" + std::to_string(getpid());
    fs::remove(temporary, ec);
    int code = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        if (error)
            *error = "cannot create " + temporary.string();
        return false;
    }
    if (!addEntries(archive) || zip_close(archive) != 0) {
        if (error)
            *error = std::string("cannot write ") + destination.string() + ": " + zip_strerror(archive);
        zip_discard(archive);
        fs::remove(temporary, ec);
        return false;
    }
    fs::rename(temporary, destination, ec);
    if (ec) {
        if (error)
            *error = ec.message();
        return false;
    }
    return true;
}

std::optional<std::string> ZipWriter::toBytes() const
{
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &err);
    if (!memory)
        return std::nullopt;
    zip_t* archive = zip_open_from_source(memory, ZIP_TRUNCATE, &err);
    if (!archive) {
        zip_source_free(memory);
        return std::nullopt;
    }
    zip_source_keep(memory);
    if (!addEntries(archive) || zip_close(archive) != 0) {
        zip_discard(archive);
        zip_source_free(memory);
        return std::nullopt;
    }
    std::optional<std::string> out;
    zip_stat_t st;
    if (zip_source_stat(memory, &st) == 0 && zip_source_open(memory) == 0) {
        std::string data(static_cast<size_t>(st.size), '\0');
        if (zip_source_read(memory, data.data(), st.size) == static_cast<zip_int64_t>(st.size))
            out = std::move(data);
        zip_source_close(memory);
    }
    zip_source_free(memory);
    return out;
}

namespace {

zip_t* openBytes(const std::string& bytes, zip_source_t** sourceOut)
{
    zip_error_t err;
    zip_error_init(&err);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &err);
    if (!source)
        return nullptr;
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &err);
    if (!archive) {
        zip_source_free(source);
        return nullptr;
    }
    *sourceOut = source;
    return archive;
}

} // namespace

std::optional<std::string> ZipReader::readEntry(const std::string& archiveBytes, const std::string& entryName)
{
    zip_source_t* source = nullptr;
    zip_t* archive = openBytes(archiveBytes, &source);
    if (!archive)
        return std::nullopt;
    std::optional<std::string> out;
    zip_stat_t st;
    if (zip_stat(archive, entryName.c_str(), 0, &st) == 0) {
        if (zip_file_t* file = zip_fopen(archive, entryName.c_str(), 0)) {
            std::string data(static_cast<size_t>(st.size), '\0');
            if (zip_fread(file, data.data(), st.size) == static_cast<zip_int64_t>(st.size))
                out = std::move(data);
            zip_fclose(file);
        }
    }
    zip_close(archive);
    return out;
}

std::vector<std::string> ZipReader::entryNames(const std::string& archiveBytes)
{
    std::vector<std::string> names;
    zip_source_t* source = nullptr;
    zip_t* archive = openBytes(archiveBytes, &source);
    if (!archive)
        return names;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW))
            names.emplace_back(name);
    zip_close(archive);
    return names;
}

} // namespace catalogue
