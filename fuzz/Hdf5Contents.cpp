// SPDX-License-Identifier: BSD-3-Clause
#include "Hdf5Contents.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/formats/Hdf5Handle.h"

namespace vantrel::fuzz {

namespace {

using Bytes = MemoryFileApi::Bytes;

using Entry = Hdf5Contents::Entry;

// Reads a whole value in `memoryType` into the buffer; false when the library fails.
using ReadValue = std::function<bool(hid_t memoryType, void* buffer)>;

// Where the superblock starts: at 0, or after a user block of 512 bytes or a power of two
// above.
std::optional<std::size_t> SuperblockAt(const Bytes& file) {
    static constexpr unsigned char kSignature[8] = {0x89, 'H', 'D', 'F', '\r', '\n', 0x1A, '\n'};
    for (std::size_t at = 0; at + sizeof kSignature <= file.size(); at = at == 0 ? 512 : 2 * at) {
        if (std::memcmp(file.data() + at, kSignature, sizeof kSignature) == 0) {
            return at;
        }
    }
    return std::nullopt;
}

class Reader {
  public:
    explicit Reader(hid_t file) : file_(file) {}

    bool ok() const { return ok_; }
    std::vector<Entry>& entries() { return entries_; }

    // The object at `path` and its attributes.
    void Object(const std::string& path) {
        const Hdf5Handle object{H5Oopen(file_, path.c_str(), H5P_DEFAULT), &H5Oclose};
        if (!object) {
            ok_ = false;
            return;
        }
        std::string storage;
        std::string what = Describe(object.get(), &storage);
        entries_.push_back({path, std::move(what), std::move(storage)});
    }

  private:
    // What an object is and holds, its attributes included; a dataset's storage goes to
    // `storage` when asked for.
    std::string Describe(hid_t object, std::string* storage) {
        std::string what;
        switch (H5Iget_type(object)) {
            case H5I_GROUP:
                what = "group";
                break;
            case H5I_DATASET:
                what = Dataset(object, storage);
                break;
            case H5I_DATATYPE:
                what = "type " + Encoded(object);
                break;
            default:
                what = "object of another kind";
        }
        return what + Attributes(object);
    }

    // The library's own encoding of a type: its class, size, order, sign and members.
    std::string Encoded(hid_t type) {
        std::size_t size = 0;
        if (H5Tencode(type, nullptr, &size) < 0) {
            ok_ = false;
            return {};
        }
        std::string bytes(size, '\0');
        if (H5Tencode(type, bytes.data(), &size) < 0) {
            ok_ = false;
        }
        return bytes;
    }

    // Type, shape and values.
    std::string Value(hid_t type, hid_t space, const ReadValue& read) {
        std::string what = "type " + Encoded(type) + " shape";
        const int rank = H5Sget_simple_extent_ndims(space);
        const hssize_t points = H5Sget_simple_extent_npoints(space);
        if (rank < 0 || points < 0) {
            ok_ = false;
            return what;
        }
        std::vector<hsize_t> dims(static_cast<std::size_t>(rank));
        H5Sget_simple_extent_dims(space, dims.data(), nullptr);
        for (const hsize_t d : dims) {
            what += " " + std::to_string(d);
        }
        what += " values ";
        const auto count = static_cast<std::size_t>(points);
        if (count == 0) {
            return what;
        }
        if (H5Tis_variable_str(type) > 0) {
            const Hdf5Handle native{H5Tget_native_type(type, H5T_DIR_DEFAULT), &H5Tclose};
            std::vector<char*> texts(count);
            if (!native || !read(native.get(), texts.data())) {
                ok_ = false;
                return what;
            }
            for (const char* text : texts) {
                what += text != nullptr ? std::string(text) + '\0' : std::string("(none)");
            }
            H5Dvlen_reclaim(native.get(), space, H5P_DEFAULT, texts.data());
        } else if (H5Tequal(type, H5T_STD_REF_OBJ) > 0) {
            // An address, which depends on the layout: what it names does not. Named by
            // what it holds, as finding its path means searching the whole file; the
            // references in what it holds are not followed, which keeps loops out.
            std::vector<hobj_ref_t> references(count);
            if (!read(H5T_STD_REF_OBJ, references.data())) {
                ok_ = false;
                return what;
            }
            for (const hobj_ref_t& reference : references) {
                if (following_) {
                    what += "(a reference)";
                    continue;
                }
                const Hdf5Handle named{H5Rdereference2(file_, H5P_DEFAULT, H5R_OBJECT, &reference),
                                       &H5Oclose};
                if (!named) {
                    ok_ = false;
                    return what;
                }
                following_ = true;
                what += "{" + Describe(named.get(), nullptr) + "}";
                following_ = false;
            }
        } else if (H5Tget_class(type) != H5T_STRING && (H5Tdetect_class(type, H5T_VLEN) > 0 ||
                                                        H5Tdetect_class(type, H5T_REFERENCE) > 0 ||
                                                        H5Tdetect_class(type, H5T_STRING) > 0)) {
            // Strings, sequences or references inside a compound or an array: none of our
            // writers makes them, and the pointers or addresses among their bytes would
            // differ in every file.
            what += "(not compared)";
        } else {
            std::string raw(count * H5Tget_size(type), '\0');
            if (!read(type, raw.data())) {
                ok_ = false;
            }
            what += raw;
        }
        return what;
    }

    std::string Dataset(hid_t dataset, std::string* storage) {
        const Hdf5Handle type{H5Dget_type(dataset), &H5Tclose};
        const Hdf5Handle space{H5Dget_space(dataset), &H5Sclose};
        const Hdf5Handle creation{H5Dget_create_plist(dataset), &H5Pclose};
        if (!type || !space || !creation) {
            ok_ = false;
            return {};
        }
        std::string layout = "layout " + std::to_string(H5Pget_layout(creation.get()));
        if (H5Pget_layout(creation.get()) == H5D_CHUNKED) {
            hsize_t chunk[H5S_MAX_RANK];
            const int rank = H5Pget_chunk(creation.get(), H5S_MAX_RANK, chunk);
            for (int d = 0; d < rank; ++d) {
                layout += " " + std::to_string(chunk[d]);
            }
        }
        const int filters = H5Pget_nfilters(creation.get());
        for (int f = 0; f < filters; ++f) {
            unsigned flags = 0;
            std::size_t values = 8;
            unsigned parameters[8] = {};
            const H5Z_filter_t filter =
                H5Pget_filter2(creation.get(), static_cast<unsigned>(f), &flags, &values,
                               parameters, 0, nullptr, nullptr);
            layout += " filter " + std::to_string(filter);
            for (std::size_t v = 0; v < std::min<std::size_t>(values, 8); ++v) {
                layout += " " + std::to_string(parameters[v]);
            }
        }
        if (storage != nullptr) {
            *storage = std::move(layout);
        }
        return "dataset " +
               Value(type.get(), space.get(), [dataset](hid_t memoryType, void* buffer) {
                   return H5Dread(dataset, memoryType, H5S_ALL, H5S_ALL, H5P_DEFAULT, buffer) >= 0;
               });
    }

    // Each attribute by name, its type, shape and value.
    std::string Attributes(hid_t object) {
        struct Visit {
            Reader* reader;
            std::string what;
        } visit{this, {}};
        const auto each = [](hid_t at, const char* name, const H5A_info_t*, void* data) -> herr_t {
            Visit& v = *static_cast<Visit*>(data);
            const Hdf5Handle attribute{H5Aopen(at, name, H5P_DEFAULT), &H5Aclose};
            const Hdf5Handle type{H5Aget_type(attribute.get()), &H5Tclose};
            const Hdf5Handle space{H5Aget_space(attribute.get()), &H5Sclose};
            if (!attribute || !type || !space) {
                return -1;
            }
            const hid_t id = attribute.get();
            v.what +=
                std::string("\n@") + name + " " +
                v.reader->Value(type.get(), space.get(), [id](hid_t memoryType, void* buffer) {
                    return H5Aread(id, memoryType, buffer) >= 0;
                });
            return 0;
        };
        hsize_t index = 0;
        if (H5Aiterate2(object, H5_INDEX_NAME, H5_ITER_INC, &index, each, &visit) < 0) {
            ok_ = false;
        }
        return visit.what;
    }

    hid_t file_;
    std::vector<Entry> entries_;
    bool ok_ = true;
    bool following_ = false;  // describing what a reference names
};

// What the file holds, in path order, or nullopt when the library cannot read it all.
std::optional<std::vector<Entry>> Contents(const Bytes& file) {
    QuietHdf5();
    const Hdf5Handle access{H5Pcreate(H5P_FILE_ACCESS), &H5Pclose};
    // The library copies the image; nothing goes to a disk.
    if (!access || H5Pset_fapl_core(access.get(), std::size_t{1} << 16, false) < 0 ||
        H5Pset_file_image(access.get(), const_cast<std::uint8_t*>(file.data()), file.size()) < 0) {
        return std::nullopt;
    }
    // One image at a time: the library takes two open images of one name for one file.
    const Hdf5Handle opened{H5Fopen("image.h5", H5F_ACC_RDONLY, access.get()), &H5Fclose};
    if (!opened) {
        return std::nullopt;
    }
    Reader reader(opened.get());
    reader.Object("/");
    const auto each = [](hid_t, const char* path, const H5L_info_t* link, void* data) -> herr_t {
        Reader& r = *static_cast<Reader*>(data);
        if (link->type == H5L_TYPE_HARD) {
            r.Object(std::string("/") + path);
        } else {
            r.entries().push_back({std::string("/") + path, "link of another kind", {}});
        }
        return r.ok() ? 0 : -1;
    };
    if (H5Lvisit(opened.get(), H5_INDEX_NAME, H5_ITER_INC, each, &reader) < 0 || !reader.ok()) {
        return std::nullopt;
    }
    return std::move(reader.entries());
}

}  // namespace

Hdf5Contents::Hdf5Contents(const Bytes& file) {
    const auto superblock = SuperblockAt(file);
    if (!superblock) {
        return;
    }
    userBlock_.assign(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(*superblock));
    if (auto entries = Contents(file)) {
        entries_ = std::move(*entries);
        readable_ = true;
    }
}

std::optional<std::string> Hdf5Contents::DifferenceFrom(const Hdf5Contents& other,
                                                        bool storage) const {
    if (!readable_ || !other.readable_) {
        return std::string("a file cannot be read");
    }
    if (userBlock_ != other.userBlock_) {
        return std::string("the bytes before the superblock differ");
    }
    for (std::size_t i = 0; i < std::max(entries_.size(), other.entries_.size()); ++i) {
        if (i == entries_.size() || i == other.entries_.size()) {
            const Entry& extra = i == entries_.size() ? other.entries_[i] : entries_[i];
            return extra.where + ": held by one file only";
        }
        const Entry& x = entries_[i];
        const Entry& y = other.entries_[i];
        if (x.where != y.where) {
            return x.where + ": held by one file only, " + y.where + " in its place";
        }
        if (x.what != y.what) {
            return x.where + ": holds something else";
        }
        if (storage && x.storage != y.storage) {
            return x.where + ": is stored otherwise (" + x.storage + ", " + y.storage + ")";
        }
    }
    return std::nullopt;
}

}  // namespace vantrel::fuzz
