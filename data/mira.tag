layer
temperature
20.000000
name
Standard four-bar target
object
temperature
22.000000
name
Bar 1
rectangle
-0.568750 -0.568750 -0.406250 0.568750
object
name
Bar 2
rectangle
-0.243750 -0.568750 -0.081250 0.568750
object
name
Bar 3
rectangle
0.081250 -0.568750 0.243750 0.568750
object
name
Bar 4
rectangle
0.406250 -0.568750 0.568750 0.568750
