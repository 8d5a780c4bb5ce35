"""Generators of the program folder's pictures: board textures, pencil grain, splash and panel pictures."""
