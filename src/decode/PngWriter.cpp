// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode/PngWriter.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "util/Useful.h"

namespace {

const char* const kWriteAction = "Cannot write file";

struct EncodeTarget {
  std::vector<uint8_t> bytes;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* target = static_cast<EncodeTarget*>(png_get_io_ptr(png));
  target->bytes.insert(target->bytes.end(), data, data + length);
}

void NoFlush(png_structp) {}

// libpng reports errors by jumping back to the setjmp in Encode; nothing in that
// function's frame needs a destructor run, so the jump is safe.
bool Encode(const ScreenRaster& raster, std::vector<png_bytep>& rows, EncodeTarget& target) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) {
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &target, AppendBytes, NoFlush);
  png_set_IHDR(png, info, png_uint_32(raster.width), png_uint_32(raster.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// A name in path's folder that no file has yet, created empty and closed.
std::string CreateTemporarySibling(const std::string& path) {
  std::filesystem::path target(path);
  std::filesystem::path folder = target.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    // A hidden name like ".picture.png.1234-0.tmp"; built by appending, which GCC 12's
    // overlap check on string concatenation does not misread.
    std::string name(".");
    name.append(target.filename().string()).append(".").append(std::to_string(getpid()));
    name.append("-").append(std::to_string(attempt)).append(".tmp");
    std::string candidate = (folder.empty() ? std::filesystem::path(name) : folder / name).string();
    int descriptor = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
      ::close(descriptor);
      return candidate;
    }
    if (errno != EEXIST) {
      throw FileSystemError(kWriteAction, path, errno);
    }
  }
  throw FileSystemError(kWriteAction, path, EEXIST);
}

}  // namespace

std::vector<uint8_t> EncodePng(const ScreenRaster& raster) {
  if (raster.width <= 0 || raster.height <= 0 ||
      raster.rgb.size() != size_t(raster.width) * size_t(raster.height) * 3) {
    throw std::invalid_argument("The picture has no pixels to write");
  }
  std::vector<png_bytep> rows(size_t(raster.height));
  for (size_t row = 0; row < rows.size(); ++row) {
    // libpng only reads the rows it is given.
    rows[row] = const_cast<png_bytep>(raster.rgb.data() + row * size_t(raster.width) * 3);
  }
  EncodeTarget target;
  if (!Encode(raster, rows, target)) {
    throw std::runtime_error("The PNG encoder failed");
  }
  return std::move(target.bytes);
}

void WritePng(const ScreenRaster& raster, const std::string& path,
              std::shared_ptr<FaultPlan> faults) {
  std::vector<uint8_t> bytes = EncodePng(raster);
  std::string temporary = CreateTemporarySibling(path);
  try {
    {
      SFileStream stream(temporary, false);
      stream.SetFaultPlan(std::move(faults));
      stream.Write(bytes.data(), bytes.size());
      stream.Flush();
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
      throw FileSystemError(kWriteAction, path, errno);
    }
  } catch (const FileSystemError& error) {
    std::remove(temporary.c_str());
    throw FileSystemError(kWriteAction, path, error.ErrorNumber());
  } catch (...) {
    std::remove(temporary.c_str());
    throw;
  }
}
