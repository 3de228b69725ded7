// The model's GL side: material textures and immediate-mode drawing.
#include "mesh_model.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "renderer/common/gl_api.h"
#include "renderer/image/textures.h"
#include "texture_names.h"

void MeshModel::ReloadTextures() {
    // Each distinct name (letter case aside, as the file system has it) is read once, and at
    // most kMaxModelTextures of them: materials that name the same picture share its texture.
    // Only so many distinct names are looked at at all, so that a start costs no more than a
    // pass over the materials, however many a model has.
    for (int i = 0; i < materialCount; ++i) materials[i].texture = 0;
    if (!GlContextIsCurrent()) return;  // nothing could be made: no name is looked at
    struct Known {
        std::string upper;
        unsigned int texture;
    };
    std::vector<Known> known;
    int read = 0;
    for (int i = 0; i < materialCount; ++i) {
        ModelMaterial& m = materials[i];
        const char* name = m.textureFile ? m.textureFile.get() : "";
        if (!name[0]) continue;
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const auto same = std::find_if(known.begin(), known.end(), [&](const Known& k) { return k.upper == upper; });
        if (same != known.end()) {
            m.texture = same->texture;
            continue;
        }
        if (read == kMaxModelTextures || known.size() == kMaxExaminedTextureNames) continue;
        // File names are used as stored: a relative name is found from the current directory.
        // A name that would leave this computer's disks, or open a device, is no texture.
        const std::string path = TextureNameIsLocal(name) ? LocalDiskPath(name) : "";
        if (!path.empty()) {
            ++read;
            m.texture = LoadTextureFile(path.c_str());
        }
        known.push_back({std::move(upper), m.texture});
    }
}

void MeshModel::Draw() const {
    const GLboolean texturing = glIsEnabled(GL_TEXTURE_2D);
    for (int i = 0; i < meshCount; ++i) {
        const ModelMesh& mesh = meshes[i];
        // A material index past the table draws like no material.
        if (mesh.materialIndex >= 0 && mesh.materialIndex < materialCount) {
            const ModelMaterial& m = materials[mesh.materialIndex];
            glMaterialfv(GL_FRONT, GL_AMBIENT, m.ambient);
            glMaterialfv(GL_FRONT, GL_DIFFUSE, m.diffuse);
            glMaterialfv(GL_FRONT, GL_SPECULAR, m.specular);
            glMaterialfv(GL_FRONT, GL_EMISSION, m.emissive);
            glMaterialf(GL_FRONT, GL_SHININESS, m.shininess);
            if (m.texture > 0) {
                glBindTexture(GL_TEXTURE_2D, m.texture);
                glEnable(GL_TEXTURE_2D);
            } else {
                glDisable(GL_TEXTURE_2D);
            }
        } else {
            glDisable(GL_TEXTURE_2D);  // the previous mesh's material stays in effect
        }
        glBegin(GL_TRIANGLES);
        for (int k = 0; k < mesh.triangleCount; ++k) {
            const ModelTriangle& t = triangles[mesh.triangleIndices[k]];
            for (int c = 0; c < 3; ++c) {
                glNormal3fv(t.normals[c]);
                glTexCoord2f(t.s[c], t.t[c]);
                glVertex3fv(vertices[t.vertexIndices[c]].position);
            }
        }
        glEnd();
    }
    if (texturing) {
        glEnable(GL_TEXTURE_2D);
    } else {
        glDisable(GL_TEXTURE_2D);
    }
}
