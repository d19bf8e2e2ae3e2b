// Replaced by the meshes.
