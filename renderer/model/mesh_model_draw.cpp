// The model's GL side: material textures and immediate-mode drawing.
#include "mesh_model.h"
#include "renderer/common/gl_api.h"
#include "renderer/image/textures.h"

void MeshModel::ReloadTextures() {
    for (int i = 0; i < materialCount; ++i) {
        ModelMaterial& m = materials[i];
        // File names are used as stored: a relative name is found from the current directory.
        m.texture = (m.textureFile && m.textureFile[0] != '\0') ? LoadTextureFile(m.textureFile.get()) : 0;
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
