object
rectangle
0 0 1 1
layer
temperature
30
distance
200
object
temperature
35
polygon
3 0 0 1 0 0 1
object
convex polygon
3 0 0 1 0 0 1
layer
sublayer
ellipse
0 0 1 1
object
name
  Plate  
layer
rectangle
0 0 2 2
height
1.5
