#pragma once
// The content of each kind of sample file the installer carries, made up
// from the file's name alone: the same name gives the same bytes on every
// build. Each maker imitates the redundancy of the real thing, so that the
// archive compresses about as the product's own data would: text records
// and structured binary compress well, pictures and cabinets hardly at all.
//
// None of these files is read by anything; only their sizes and how they
// compress matter, and that they look like what their names say.

#include <string>

namespace qw::sample {

// A library of parts (".mr-lib"): a header, then per part a text record and
// its mesh (grid-aligned vertices, compact normals, strip-like indices).
std::string MakePartLibrary(const std::string& name);

// A material library (".mat-quillon"): text definitions of materials.
std::string MakeMaterialLibrary(const std::string& name);

// A sample project (".mr-proj"): the text scene of placed parts.
std::string MakeSampleProject(const std::string& name);

// A packed sample project (".mr-cab"): its scene, a thumbnail and the meshes
// of its custom parts.
std::string MakeProjectCabinet(const std::string& name);

// A 24-bit bottom-up Windows bitmap (".bmp") of `width` x `height` pixels.
std::string MakeBitmap(const std::string& name, int width, int height);

// A baseline JPEG file (".jpg"): real JFIF headers around entropy-coded data
// that is as incompressible as a photograph's.
std::string MakeTexture(const std::string& name);

// The content for a file of this name, chosen by its extension; false for a
// name whose kind of file is not known.
bool MakeSampleContent(const std::string& name, std::string& content);

}  // namespace qw::sample
